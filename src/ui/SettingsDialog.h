#pragma once

#include <QDialog>

class QDialogButtonBox;

namespace meldrix {

//! A dialog of the data set's settings under Settings: OK takes what it shows, Cancel and Escape
//! leave everything as it was.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(const QString& name, const QString& title, QWidget* parent);

protected:
    //! OK and Cancel, named `name`, for the bottom of the dialog.
    QDialogButtonBox* okCancelButtons(const QString& name);
};

} // namespace meldrix
