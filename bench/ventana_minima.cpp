// The baseline: one empty window shown, then out.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget ventana;
    ventana.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
