#include "ui/SettingsDialog.h"

#include <QDialogButtonBox>

namespace meldrix {

SettingsDialog::SettingsDialog(const QString& name, const QString& title, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(title);
}

QDialogButtonBox* SettingsDialog::okCancelButtons(const QString& name)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(name);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

} // namespace meldrix
