// The About window: product name and version.
#pragma once

#include <QDialog>

namespace console {

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* Parent = nullptr);
};

} // namespace console
