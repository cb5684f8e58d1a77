#include "ui/ToolWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

ToolWindow::ToolWindow(const QString& name, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(name);
    setWindowTitle(title);
}

QHBoxLayout* ToolWindow::buttonRow(std::initializer_list<QPushButton*> buttons)
{
    auto* close = new QPushButton(u"Close"_s, this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    row->addWidget(close);
    return row;
}

void ToolWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace meldrix
