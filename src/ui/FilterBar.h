#pragma once
// The filter bar over the information pane, for rows that carry the facets it asks for (the
// logs): text contained in any column, application, severity and a date range. Every change
// is reported at once; the pane applies it to the rows.
#include "platform/WinTypes.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;

class CFilterBar : public QWidget {
    Q_OBJECT
public:
    // Control ids (the ctrlId property) of the bar's fields.
    static constexpr int kTextCtrl = 9201;
    static constexpr int kApplicationCtrl = 9202;
    static constexpr int kSeverityCtrl = 9203;
    static constexpr int kFromCheckCtrl = 9204;
    static constexpr int kFromCtrl = 9205;
    static constexpr int kToCheckCtrl = 9206;
    static constexpr int kToCtrl = 9207;
    static constexpr int kClearCtrl = 9208;

    // Facets of the rows shown, as the bar offers them.
    static constexpr DWORD FacetApplication = 0x1;
    static constexpr DWORD FacetSeverity = 0x2;
    static constexpr DWORD FacetTime = 0x4;

    struct Criteria {
        QString text;          // contained in any column; empty: any
        QString application;   // empty: any
        int severity = 0;      // 1, 2 or 3; 0: any
        qint64 from = -1;      // seconds since 1970, inclusive; -1: open
        qint64 to = -1;
        bool IsEmpty() const { return text.isEmpty() && application.isEmpty() && severity == 0 && from < 0 && to < 0; }
    };

    explicit CFilterBar(QWidget* parent = nullptr);

    // Which fields apply to the rows shown, and the applications they hold.
    void SetFacets(DWORD facets, const QStringList& applications);
    Criteria GetCriteria() const;
    // Back to no filter (reports a change only when there was one).
    void Clear();

Q_SIGNALS:
    void Changed();

private:
    void Report();

    QLineEdit* m_text = nullptr;
    QComboBox* m_application = nullptr;
    QComboBox* m_severity = nullptr;
    QCheckBox* m_fromCheck = nullptr;
    QDateTimeEdit* m_from = nullptr;
    QCheckBox* m_toCheck = nullptr;
    QDateTimeEdit* m_to = nullptr;
    bool m_quiet = false;   // while the bar sets its own fields
};
