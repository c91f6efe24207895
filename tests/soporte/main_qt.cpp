// Every test runs with an application object, headless.
#include "soporte/datos.h"
#include "system/pantallas/pantalla.h"

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    if (NucleoMd5Ausente())
        return 0;
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    AdoptoLetraDelEscritorio(); // as the program does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
