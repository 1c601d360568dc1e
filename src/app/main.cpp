// tundrel-gui: the recovery wizard.

#include <QApplication>

#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    tundrel::app::CMainWindow window;
    window.show();
    return QApplication::exec();
}
