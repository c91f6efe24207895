#include "app/pantallas/arranque.h"

#include "app/instance/instancia.h"
#include "app/pantallas/frminicio.h"
#include "app/pantallas/portada.h"
#include "system/pantallas/pantalla.h"
#include "system/pantallas/contexto.h"
#include "system/pantallas/dialogos_qt.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <clocale>

namespace {

// The platform style, except that the menu bar's overflow arrows are painted
// here: loading them as images makes Qt scan its image plug-ins at start-up.
class EstiloTerv : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap cual, const QStyleOption* opcion, const QWidget* control) const override
    {
        if (cual != SP_ToolBarHorizontalExtensionButton && cual != SP_ToolBarVerticalExtensionButton)
            return QProxyStyle::standardIcon(cual, opcion, control);
        QPixmap p(16, 16);
        p.fill(Qt::transparent);
        QPainter g(&p);
        g.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
        g.setRenderHint(QPainter::Antialiasing);
        for (const int x : {4, 9}) { // a double chevron
            if (cual == SP_ToolBarHorizontalExtensionButton)
                g.drawPolyline(QPolygonF({QPointF(x, 4), QPointF(x + 3, 8), QPointF(x, 12)}));
            else
                g.drawPolyline(QPolygonF({QPointF(4, x), QPointF(8, x + 3), QPointF(12, x)}));
        }
        return QIcon(p);
    }
};

// Texts of Qt's file dialogs that its Spanish translation lacks, and its
// "fichero" said as TERV says it, "archivo".
class TraduccionesFaltantes : public QTranslator {
public:
    explicit TraduccionesFaltantes(const QTranslator& qt) : qt_(qt) {}
    QString translate(const char* contexto, const char* texto, const char* desambiguacion, int n) const override
    {
        if (qstrcmp(contexto, "QAbstractFileIconProvider") != 0 && qstrcmp(contexto, "QFileIconProvider") != 0) {
            QString suyo = qt_.translate(contexto, texto, desambiguacion, n);
            if (!suyo.contains(QLatin1String("ichero")))
                return {};
            return suyo.replace(QLatin1String("fichero"), QLatin1String("archivo"))
                .replace(QLatin1String("Fichero"), QLatin1String("Archivo"));
        }
        static const QHash<QByteArray, QString> textos{
            {"Folder", QStringLiteral("Carpeta")},
            {"Drive", QStringLiteral("Unidad")},
            {"File", QStringLiteral("Archivo")},
            {"%1 File", QStringLiteral("Archivo %1")},
            {"Shortcut", QStringLiteral("Acceso directo")},
            {"Alias", QStringLiteral("Alias")},
            {"Unknown", QStringLiteral("Desconocido")},
        };
        return textos.value(QByteArray(texto));
    }
    bool isEmpty() const override { return false; }

private:
    const QTranslator& qt_;
};

// A request that arrives while a message box waits for the operator, or
// while a job runs, is served once they are over.
void Atiendo(FrmInicio& menu, const Pedido& pedido)
{
    if (QApplication::activeModalWidget() || !menu.abroArchivos(pedido))
        QTimer::singleShot(250, &menu, [&menu, pedido] { Atiendo(menu, pedido); });
}

} // namespace

void InstaloTraducciones()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    static QTranslator qtEspanol;
    if (qtEspanol.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtEspanol);
    static TraduccionesFaltantes faltantes(qtEspanol);
    QCoreApplication::installTranslator(&faltantes);
}

void InstaloIdentidad()
{
    QIcon icono;
    for (const int lado : {16, 32, 48, 128})
        icono.addFile(QStringLiteral(":/iconos/terv-%1.png").arg(lado), QSize(lado, lado));
    QApplication::setWindowIcon(icono);
    QGuiApplication::setDesktopFileName(QStringLiteral("local.terv.TERV"));
}

int ArrancoTerv(int argc, char** argv, const std::function<void()>& alMostrar)
{
    // Qt reads the system locale (dates, numbers of the file dialogs) from the
    // environment once: it reads Spanish, and the C library and the programs
    // TERV runs keep the operator's own.
    const bool habiaLcAll = qEnvironmentVariableIsSet("LC_ALL");
    const QByteArray lcAll = qgetenv("LC_ALL");
    qputenv("LC_ALL", "es_AR.UTF-8");
    QApplication app(argc, argv);
    QLocale::system();
    if (habiaLcAll)
        qputenv("LC_ALL", lcAll);
    else
        qunsetenv("LC_ALL");
    std::setlocale(LC_ALL, "");
    AdoptoLetraDelEscritorio(); // the cover below is drawn to the screens' scale
    // The cover is drawn while the rest of the start-up goes on, the
    // environment and the locale already settled: the drawing thread reads
    // them. A copy that only hands its files over waits for it in vain, a few
    // milliseconds; the copy that runs gains them.
    auto portada = std::make_unique<Portada>(FrmInicio::TamanoPortada());
    InstaloTraducciones();
    // Before anything else: a second copy only hands its files over.
    const Pedido pedido = LeoArgumentos(QApplication::arguments().mid(1), QDir::currentPath());
    Instancia instancia;
    if (instancia.entregoOEscucho(pedido))
        return 0;
    QApplication::setStyle(new EstiloTerv);
    QApplication::setApplicationName(QStringLiteral("TERV"));
    QApplication::setApplicationVersion(QStringLiteral(TERV_VERSION_TEXTO));
    InstaloIdentidad();

    DialogosQt dialogos;
    RelojSistema reloj;
    Contexto ctx{dialogos, reloj};
    FrmInicio menu(ctx, std::move(portada));
    menu.Form_Load();
    menu.abroArchivos(pedido);
    instancia.atiendoCon([&menu](const Pedido& p) { Atiendo(menu, p); });
    if (alMostrar)
        QTimer::singleShot(0, &menu, alMostrar);
    return app.exec();
}
