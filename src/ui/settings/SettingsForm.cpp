#include "ui/settings/SettingsForm.h"

#include <QIcon>
#include <QLabel>

SettingsForm::SettingsForm(QWidget* tab)
    : QFormLayout(tab)
{
    setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    setRowWrapPolicy(QFormLayout::DontWrapRows);
}

QLabel* SettingsForm::addLabelledRow(const QString& label, QWidget* field)
{
    auto* text = new QLabel(label + QLatin1Char(':'));
    text->setBuddy(field);
    field->setAccessibleName(label);
    if (QWidget* proxy = field->focusProxy())  // a compound field: the part that takes focus speaks for it
        proxy->setAccessibleName(label);
    addRow(text, field);
    return text;
}

void SettingsForm::addFieldRow(QWidget* field)
{
    addRow(QString(), field);
}

QLabel* SettingsForm::addHelp(const QString& text)
{
    QLabel* help = helpLabel(text);
    addRow(QString(), help);
    return help;
}

QLabel* SettingsForm::helpLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

QIcon SettingsForm::themeIcon(const QString& name)
{
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : QIcon::fromTheme(name + QStringLiteral("-symbolic"));
}
