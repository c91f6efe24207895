// Every test runs with an application object, headless.
#include "hash/md5_carriles.h"

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    // A run for one MD5 kernel (TERV_MD5) that this processor lacks is skipped, visibly.
    if (!qEnvironmentVariableIsEmpty("TERV_MD5"))
        if (const auto nucleo = ElijoNucleoMd5(); !nucleo) {
            std::printf("[  SKIPPED ] %s\n", qPrintable(nucleo.falla().descripcion));
            return 0;
        }
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
