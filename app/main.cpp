// Mora's main program. For now: the window with its title; start-up, menus and screens follow.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Mora Edit");
    window.resize(480, 540);
    window.show();
    return app.exec();
}
