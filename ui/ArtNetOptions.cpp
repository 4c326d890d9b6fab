#include "ui/ArtNetOptions.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

TFormArtNetOptions::TFormArtNetOptions(QWidget* Parent) : QDialog(Parent) {
    setWindowTitle("Form3");
    resize(231, 119);
    auto* grid = new QGridLayout(this);
    SubnetEdit = new QLineEdit(this);
    SubnetEdit->setObjectName("SubnetEdit");
    UniverseEdit = new QLineEdit(this);
    UniverseEdit->setObjectName("UniverseEdit");
    grid->addWidget(new QLabel("SubNet", this), 0, 0);
    grid->addWidget(SubnetEdit, 0, 1);
    grid->addWidget(new QLabel("Universe", this), 1, 0);
    grid->addWidget(UniverseEdit, 1, 1);
    auto* buttons = new QHBoxLayout();
    Button1 = new QPushButton("Ok", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    buttons->addWidget(Button1);
    buttons->addWidget(CancelButton);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(Button1, &QPushButton::clicked, this, &TFormArtNetOptions::Button1Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    SetSubnet(0);
    SetUniverse(0);
}

void TFormArtNetOptions::SetSubnet(int32_t Value) {
    FSubnet = Value;
    SubnetEdit->setText(QString::number(Value));
}

void TFormArtNetOptions::SetUniverse(int32_t Value) {
    FUniverse = Value;
    UniverseEdit->setText(QString::number(Value));
}

void TFormArtNetOptions::Button1Click() {
    // No range test: the node uses only the low bits.
    bool subnetOk = false, universeOk = false;
    const int subnet = SubnetEdit->text().trimmed().toInt(&subnetOk);
    const int universe = UniverseEdit->text().trimmed().toInt(&universeOk);
    if (!subnetOk || !universeOk) {
        QMessageBox::information(this, windowTitle(), "Invalid subnet or universe.");
        return;
    }
    FSubnet = subnet;
    FUniverse = universe;
    accept();
}

bool EditArtNetOptions(QWidget* Parent, dmx::IDMXInterface* AInterface) {
    auto artnet = foundation::Supports<dmx::IDMXArtNetInterfaceDelegate>(AInterface);
    if (!artnet) return false;
    TFormArtNetOptions form(Parent);
    form.SetSubnet(artnet->getSubnet());
    form.SetUniverse(artnet->getUniverse());
    if (form.exec() == QDialog::Accepted) {
        artnet->setSubnet(form.Subnet());
        artnet->setUniverse(form.Universe());
    }
    return true;
}

} // namespace ui
