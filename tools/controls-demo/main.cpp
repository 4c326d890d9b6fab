// Shows the shared controls on their own, for a look at them without a device:
//   controls-demo [all|grid|slider|dial|progress]
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <cstring>

#include "platform/qt/QtLoop.h"
#include "ui/AdvTrackBar.h"
#include "ui/ProgressManagerForm.h"
#include "ui/RowColGrid.h"

using namespace ui;

static QWidget* GridDemo() {
    auto* box = new QGroupBox("SHOWS");
    auto* grid = new TButtonsGrid(box);
    grid->SetRowCount(3);
    grid->SetColCount(8);
    grid->SetButtonPressed(4);
    auto* l = new QVBoxLayout(box);
    l->addWidget(grid);
    box->resize(480, 180);
    return box;
}

static QWidget* SliderDemo() {
    auto* w = new QWidget;
    auto* bar = new TTrackBar(Qt::Horizontal, w);
    bar->SetMin(0.1f);
    bar->SetMax(10);
    bar->SetValueLog(1);
    auto* label = new QLabel(w);
    auto show = [bar, label] {
        label->setText(QString("SPEED  %1").arg(double(bar->GetValueLog()), 0, 'g', 4));
    };
    bar->OnChange = [show](void*) { show(); };
    show();
    auto* l = new QVBoxLayout(w);
    l->addWidget(label);
    l->addWidget(bar);
    w->resize(360, 80);
    return w;
}

static QWidget* DialDemo() {
    auto* w = new QWidget;
    auto* dial = new TArcDial(w);
    dial->SetDataMax(10000);
    dial->SetDataMin(100);
    dial->SetDataValue(6500);
    dial->setMinimumSize(140, 140);
    auto* label = new QLabel(w);
    label->setAlignment(Qt::AlignCenter);
    auto show = [dial, label] {
        label->setText(QString("STAND  %1").arg(double(dial->GetDataValue()) / 1000, 0, 'g', 4));
    };
    dial->OnChange = [show](void*) { show(); };
    show();
    auto* l = new QVBoxLayout(w);
    l->addWidget(dial, 1);
    l->addWidget(label);
    w->resize(200, 200);
    return w;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::qt::TQtLoop loop;
    InstallProgressManagerForm();
    const char* what = argc > 1 ? argv[1] : "all";

    QWidget* top = nullptr;
    if (!std::strcmp(what, "grid"))
        top = GridDemo();
    else if (!std::strcmp(what, "slider"))
        top = SliderDemo();
    else if (!std::strcmp(what, "dial"))
        top = DialDemo();
    else {
        top = new QWidget;
        auto* l = new QVBoxLayout(top);
        l->addWidget(GridDemo());
        l->addWidget(SliderDemo());
        l->addWidget(DialDemo());
        top->resize(500, 520);
    }
    top->setWindowTitle("Controls");
    top->move(10, 10);
    top->show();

    if (!std::strcmp(what, "progress")) {
        // Two nested tickets at 38 %, as a firmware update of several pages shows them.
        IPtr<IProgressManager> pm = GetProgressManager();
        const int outer = pm->getTicket(
            4, [] {}, "Updating");
        const int inner = pm->getTicket(
            10, [] {}, "");
        pm->incTicket(outer, 1);
        pm->setTicket(inner, 5);
        if (auto* form = dynamic_cast<QWidget*>(pm.get())) form->move(20, 560);
    }
    const int rc = app.exec();
    delete top;
    FreeProgressManager();
    return rc;
}
