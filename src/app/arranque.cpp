#include "app/arranque.h"

#include "app/frminicio.h"
#include "system/contexto.h"
#include "system/dialogos_qt.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

int ArrancoTerv(int argc, char** argv, const std::function<void()>& alMostrar)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TERV"));
    QApplication::setApplicationVersion(QStringLiteral(TERV_VERSION_TEXTO));
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    QTranslator qtEspanol;
    if (qtEspanol.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtEspanol);

    // The screens are laid out for an 8-point interface font.
    QFont letra = QApplication::font();
    letra.setPointSize(8);
    QApplication::setFont(letra);

    DialogosQt dialogos;
    EjecutorProcesos ejecutor;
    RelojSistema reloj;
    Contexto ctx{dialogos, ejecutor, reloj};
    FrmInicio menu(ctx);
    menu.Form_Load();
    menu.show();
    if (alMostrar)
        QTimer::singleShot(0, &menu, alMostrar);
    return app.exec();
}
