#pragma once
// Dialog 185: the version information of every program and library file in the alert
// service's home directory on this computer, read from each file's version resource.
#include "platform/WinTypes.h"

#include <QDialog>
#include <QString>

#include <vector>

class QPushButton;
class QTreeWidget;

class CVersionDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr UINT kDialogId = 185;
    static constexpr int kListCtrlId = 1111;

    struct Module {
        QString name;        // upper case, without directory
        QString description;
        QString version;     // "major.minor"
        QString build;
    };

    explicit CVersionDlg(QWidget* parent = nullptr);

    QTreeWidget* GetList() const { return m_list; }

    // The home directory as the registry names it (empty when missing).
    static QString ReadHomeDirectory();
    // *.EXE then *.DLL of the directory, each read by its full path; files without a readable
    // version resource are left out.
    static std::vector<Module> CollectModules(const QString& homeDirectory);
    // The description of a version block: the first FileDescription of the known languages;
    // an empty one names the file (without directory and extension).
    static QString Description(const QByteArray& block, const QString& fileName);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();

    QTreeWidget* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_layoutReady = false;
    int m_marginX = 0;
    int m_marginY = 0;
};
