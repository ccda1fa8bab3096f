#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;

// Chooses installed applications, several at once, by name and icon, with a
// box that filters the list as one types.
class AppChooserDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AppChooserDialog(QWidget* parent = nullptr);

    QStringList selectedIds() const;
    QLineEdit* filter() const { return m_filter; }
    QListWidget* list() const { return m_list; }

private:
    void applyFilter(const QString& text);

    QLineEdit* m_filter;
    QListWidget* m_list;
};
