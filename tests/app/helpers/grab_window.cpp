// Saves what the X server shows of a window as a PNG file: grab_window WINDOW-ID FILE.
// The picture comes from the server, so it is what a user would see.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: grab_window WINDOW-ID FILE\n";
        return 2;
    }
    QGuiApplication application(argc, argv);
    bool ok = false;
    WId window = QString::fromLatin1(argv[1]).toULongLong(&ok, 0);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!ok || !screen) {
        std::cerr << "grab_window: no window or no screen\n";
        return 1;
    }
    QPixmap picture = screen->grabWindow(window);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::cerr << "grab_window: the window could not be grabbed\n";
        return 1;
    }
    return 0;
}
