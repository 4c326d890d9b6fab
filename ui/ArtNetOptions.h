// The Art-Net options window: the subnet and universe of the active Art-Net output.
#pragma once

#include <QDialog>

#include "dmx/Intf.DMX.h"

class QLineEdit;
class QPushButton;

namespace ui {

class TFormArtNetOptions : public QDialog {
    Q_OBJECT
public:
    explicit TFormArtNetOptions(QWidget* Parent = nullptr);

    int32_t Subnet() const { return FSubnet; }
    void SetSubnet(int32_t Value);
    int32_t Universe() const { return FUniverse; }
    void SetUniverse(int32_t Value);

    QLineEdit* SubnetEdit;
    QLineEdit* UniverseEdit;
    QPushButton* Button1; // "Ok"
    QPushButton* CancelButton;

public slots:
    void Button1Click();

private:
    int32_t FSubnet = 0;
    int32_t FUniverse = 0;
};

// What "ArtNet Options" does: when AInterface answers to IDMXArtNetInterfaceDelegate, shows the
// window modally with its subnet and universe and, on OK, sets them. False when it does not answer.
bool EditArtNetOptions(QWidget* Parent, dmx::IDMXInterface* AInterface);

} // namespace ui
