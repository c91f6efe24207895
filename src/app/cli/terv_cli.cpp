// terv-cli: every operation of the utility without a window, on the same
// routines the screens call. Messages on standard error, results on standard
// output (one JSON object per file with --json).
//   0 success, 1 a check found wrong or missing data, 2 bad usage,
//   3 an operation failed (nothing left half done).
#include "app/cli/comun.h"
#include "app/cli/subcomandos.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cerrno>
#include <cstdio>

namespace {

const QString kAyuda = QStringLiteral(
    "Uso: terv-cli <subcomando> [opciones] argumentos\n"
    "\n"
    "       terv-cli --help | --version\n"
    "\n"
    "Subcomandos:\n"
    "  sellar ARCHIVO...                   agrega el código hash al nombre de cada archivo\n"
    "  verificar ARCHIVO|CARPETA...        comprueba el hash del nombre (--corregir lo cambia)\n"
    "  consultar [--ini RUTA]              consulta al servicio el tamaño máximo publicable (MB)\n"
    "  particionar ARCHIVO [--tamano MB]   divide en particiones selladas (tamaño del servicio si falta)\n"
    "  unir PARTICION                      une el juego de particiones, comprobando cada hash\n"
    "  comprimir ARCHIVO...                arma un .zip listo para publicar\n"
    "  integrar [--quitar]                 agrega las acciones de TERV a Nautilus (este usuario)\n"
    "\n"
    "Cada subcomando acepta --help y --json; una carpeta --destino que no existe se crea.\n"
    "Códigos de salida: 0 éxito, 1 datos erróneos o faltantes, 2 uso incorrecto, 3 la operación falló.\n");

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("terv-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TERV_VERSION_TEXTO));
    QTranslator qtEspanol;
    if (qtEspanol.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtEspanol);

    InstaloCancelacion();
    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h")) {
        (args.size() < 2 ? errores() : salida()) << kAyuda << Qt::flush;
        return args.size() < 2 ? UsoMal : Exito;
    }
    if (args[1] == QLatin1String("--version") || args[1] == QLatin1String("-v")) {
        salida() << QStringLiteral("terv-cli " TERV_VERSION_PAQUETE " (Versión %1.%2 Release %3)")
                        .arg(TERV_VERSION_MAYOR)
                        .arg(TERV_VERSION_MENOR)
                        .arg(TERV_RELEASE)
                 << Qt::endl;
        return Exito;
    }
    const QString sub = args.takeAt(1);
    args[0] = QStringLiteral("terv-cli ") + sub;
    using Subcomando = int (*)(const QStringList&);
    static const QHash<QString, Subcomando> subcomandos{
        {QStringLiteral("sellar"), Sellar},           {QStringLiteral("verificar"), Verificar},
        {QStringLiteral("particionar"), Particionar}, {QStringLiteral("unir"), Unir},
        {QStringLiteral("comprimir"), Comprimir},     {QStringLiteral("integrar"), Integrar},
        {QStringLiteral("consultar"), Consultar},
    };
    int codigo = UsoMal;
    if (const Subcomando ejecuto = subcomandos.value(sub))
        codigo = ejecuto(args);
    else
        errores() << QStringLiteral("Subcomando desconocido: ") << sub << "\n\n" << kAyuda;
    // A result that did not reach its reader is a failed run (a full disk, a closed pipe).
    salida().flush();
    if (salida().status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        errores() << QStringLiteral("No se pudo escribir la salida estándar: ") << DescripcionError(errno ? errno : EIO)
                  << Qt::endl;
        codigo = Fallo;
    }
    errores().flush();
    return codigo;
}
