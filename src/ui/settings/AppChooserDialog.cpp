#include "ui/settings/AppChooserDialog.h"

#include "ui/settings/InstalledApplications.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

AppChooserDialog::AppChooserDialog(QWidget* parent)
    : QDialog(parent)
    , m_filter(new QLineEdit)
    , m_list(new QListWidget)
{
    setWindowTitle(QStringLiteral("Choose Apps to Exclude"));
    m_filter->setPlaceholderText(QStringLiteral("Filter"));
    m_filter->setAccessibleName(QStringLiteral("Filter"));
    m_filter->setClearButtonEnabled(true);
    m_list->setAccessibleName(QStringLiteral("Apps"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setIconSize(QSize(24, 24));
    for (const InstalledApplications::Application& application : InstalledApplications::listed()) {
        auto* item = new QListWidgetItem(InstalledApplications::icon(application.icon), application.name, m_list);
        item->setData(Qt::UserRole, application.id);
        item->setToolTip(application.id);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* exclude = buttons->button(QDialogButtonBox::Ok);
    exclude->setText(QStringLiteral("Exclude"));
    exclude->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    connect(m_filter, &QLineEdit::textChanged, this, &AppChooserDialog::applyFilter);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this, exclude] { exclude->setEnabled(!selectedIds().isEmpty()); });
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(420, 480);
}

QStringList AppChooserDialog::selectedIds() const
{
    QStringList ids;
    for (const QListWidgetItem* item : m_list->selectedItems()) {
        if (!item->isHidden())
            ids << item->data(Qt::UserRole).toString();
    }
    return ids;
}

void AppChooserDialog::applyFilter(const QString& text)
{
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        item->setHidden(!item->text().contains(text, Qt::CaseInsensitive)
                        && !item->data(Qt::UserRole).toString().contains(text, Qt::CaseInsensitive));
    }
}
