#include "apps/console/AboutForm.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace console {

TFormAbout::TFormAbout(QWidget* Parent) : QDialog(Parent) {
    setObjectName("FormAbout");
    setWindowTitle("About");
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel("Lumacue V. 1.0.0", this);
    label->setObjectName("ProductLabel");
    label->setAlignment(Qt::AlignCenter);
    auto* close = new QPushButton("Close", this);
    close->setObjectName("CloseButton");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(label);
    layout->addWidget(close, 0, Qt::AlignHCenter);
}

} // namespace console
