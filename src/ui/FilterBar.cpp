#include "ui/FilterBar.h"

#include "res/Resources.h"
#include "res/StringIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Severity names of the alert summary: important, warning, information.
constexpr UINT IDS_SEVERITY_NAMES[3] = {5020, 5022, 5021};

template <class W>
W* Tagged(W* widget, int ctrlId)
{
    widget->setProperty("ctrlId", ctrlId);
    return widget;
}
} // namespace

CFilterBar::CFilterBar(QWidget* parent)
    : QWidget(parent)
{
    // Two rows, so that every label and box keeps its full text in a narrow pane.
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    auto* layout = new QHBoxLayout;
    rows->addLayout(layout);
    layout->addWidget(new QLabel(LoadString(IDS_FILTER_TEXT), this));
    m_text = Tagged(new QLineEdit(this), kTextCtrl);
    m_text->setClearButtonEnabled(true);
    // Room for a word or two whatever the pane's width; the application box gives way first.
    m_text->setMinimumWidth(m_text->fontMetrics().averageCharWidth() * 12);
    layout->addWidget(m_text, 2);

    layout->addWidget(new QLabel(LoadString(IDS_FILTER_APPLICATION), this));
    m_application = Tagged(new QComboBox(this), kApplicationCtrl);
    m_application->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_application->setMinimumContentsLength(8);
    m_application->addItem(LoadString(IDS_FILTER_ANY));
    layout->addWidget(m_application, 1);

    layout->addWidget(new QLabel(LoadString(IDS_FILTER_SEVERITY), this));
    m_severity = Tagged(new QComboBox(this), kSeverityCtrl);
    m_severity->addItem(LoadString(IDS_FILTER_ANY), 0);
    for (int i = 0; i < 3; ++i)
        m_severity->addItem(LoadString(IDS_SEVERITY_NAMES[i]), i + 1);
    layout->addWidget(m_severity);

    const QDateTime now = QDateTime::currentDateTime();
    m_fromCheck = Tagged(new QCheckBox(LoadString(IDS_FILTER_FROM), this), kFromCheckCtrl);
    m_from = Tagged(new QDateTimeEdit(QDateTime(now.date(), QTime(0, 0)), this), kFromCtrl);
    m_toCheck = Tagged(new QCheckBox(LoadString(IDS_FILTER_TO), this), kToCheckCtrl);
    m_to = Tagged(new QDateTimeEdit(QDateTime(now.date(), QTime(23, 59, 59)), this), kToCtrl);
    for (QDateTimeEdit* edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setEnabled(false);
    }
    layout = new QHBoxLayout;
    rows->addLayout(layout);
    layout->addWidget(m_fromCheck);
    layout->addWidget(m_from);
    layout->addWidget(m_toCheck);
    layout->addWidget(m_to);
    auto* clear = Tagged(new QPushButton(LoadString(IDS_FILTER_CLEAR), this), kClearCtrl);
    layout->addStretch(1);
    layout->addWidget(clear);

    connect(m_text, &QLineEdit::textChanged, this, &CFilterBar::Report);
    connect(m_application, &QComboBox::currentIndexChanged, this, &CFilterBar::Report);
    connect(m_severity, &QComboBox::currentIndexChanged, this, &CFilterBar::Report);
    connect(m_fromCheck, &QCheckBox::toggled, m_from, &QWidget::setEnabled);
    connect(m_toCheck, &QCheckBox::toggled, m_to, &QWidget::setEnabled);
    connect(m_fromCheck, &QCheckBox::toggled, this, &CFilterBar::Report);
    connect(m_toCheck, &QCheckBox::toggled, this, &CFilterBar::Report);
    connect(m_from, &QDateTimeEdit::dateTimeChanged, this, &CFilterBar::Report);
    connect(m_to, &QDateTimeEdit::dateTimeChanged, this, &CFilterBar::Report);
    connect(clear, &QPushButton::clicked, this, &CFilterBar::Clear);
}

void CFilterBar::SetFacets(DWORD facets, const QStringList& applications)
{
    m_quiet = true;
    const QString chosen = m_application->currentIndex() > 0 ? m_application->currentText() : QString();
    while (m_application->count() > 1)
        m_application->removeItem(1);
    m_application->addItems(applications);
    const int again = chosen.isEmpty() ? 0 : m_application->findText(chosen);
    m_application->setCurrentIndex(std::max(0, again));
    m_application->setEnabled(facets & FacetApplication);
    m_severity->setEnabled(facets & FacetSeverity);
    m_fromCheck->setEnabled(facets & FacetTime);
    m_toCheck->setEnabled(facets & FacetTime);
    m_quiet = false;
    if (!chosen.isEmpty() && again <= 0)
        Report();
}

CFilterBar::Criteria CFilterBar::GetCriteria() const
{
    Criteria c;
    c.text = m_text->text();
    if (m_application->isEnabled() && m_application->currentIndex() > 0)
        c.application = m_application->currentText();
    if (m_severity->isEnabled())
        c.severity = m_severity->currentData().toInt();
    if (m_fromCheck->isEnabled() && m_fromCheck->isChecked())
        c.from = m_from->dateTime().toSecsSinceEpoch();
    if (m_toCheck->isEnabled() && m_toCheck->isChecked())
        c.to = m_to->dateTime().toSecsSinceEpoch();
    return c;
}

void CFilterBar::Clear()
{
    const bool had = !GetCriteria().IsEmpty();
    m_quiet = true;
    m_text->clear();
    m_application->setCurrentIndex(0);
    m_severity->setCurrentIndex(0);
    m_fromCheck->setChecked(false);
    m_toCheck->setChecked(false);
    m_quiet = false;
    if (had)
        Report();
}

void CFilterBar::Report()
{
    if (!m_quiet)
        Q_EMIT Changed();
}
