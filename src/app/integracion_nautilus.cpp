#include "app/integracion_nautilus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

struct Guion {
    const char* nombre; // the menu entry Nautilus shows
    const char* opcion;
};

constexpr Guion kGuiones[] = {
    {"Sellar con código hash", "--sellar"},
    {"Comprobar código hash", "--comprobar"},
    {"Unir particiones", "--unir"},
    {"Comprimir para publicar", "--comprimir"},
};

QString CarpetaGuiones()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/nautilus/scripts/TERV");
}

// The terv beside this terv-cli (a portable copy calls its own), else the one on the PATH.
QString Programa()
{
    const QString junto = QCoreApplication::applicationDirPath() + QStringLiteral("/terv");
    return QFileInfo(junto).isExecutable() ? junto : QStringLiteral("terv");
}

// Single quotes for the shell.
QString Cito(QString texto)
{
    return QLatin1Char('\'') + texto.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

// Written under a fresh name beside the target, flushed, and renamed onto it:
// an existing name (or a link planted there) is replaced, never written
// through or truncated. Executable as far as the umask allows.
bool EscriboGuion(const QString& carpeta, const QString& nombre, const QByteArray& contenido, QString& error)
{
    QByteArray temporal = QFile::encodeName(carpeta + QStringLiteral("/.terv-guion-XXXXXX"));
    const int fd = ::mkostemp(temporal.data(), O_CLOEXEC);
    if (fd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const mode_t mascara = ::umask(0);
    ::umask(mascara);
    bool bien = ::fchmod(fd, 0777 & ~mascara) == 0;
    for (qsizetype hecho = 0; bien && hecho < contenido.size();) {
        const ssize_t n = ::write(fd, contenido.constData() + hecho, size_t(contenido.size() - hecho));
        bien = n > 0 || (n < 0 && errno == EINTR);
        hecho += std::max<ssize_t>(n, 0);
    }
    bien = bien && ::fsync(fd) == 0;
    bien = (::close(fd) == 0) && bien;
    bien = bien && ::rename(temporal.constData(), QFile::encodeName(carpeta + QLatin1Char('/') + nombre).constData()) == 0;
    if (!bien) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(temporal.constData());
        return false;
    }
    // The new name itself lives in the folder.
    if (const int dir = ::open(QFile::encodeName(carpeta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace

int IntegroNautilus(const QStringList& args)
{
    QTextStream salida(stdout), errores(stderr);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Agrega al menú contextual de Nautilus (Guiones > TERV) las acciones de TERV, "
                                               "para el usuario actual."));
    const QCommandLineOption quitar(QStringLiteral("quitar"), QStringLiteral("Quita las acciones agregadas."));
    const QCommandLineOption ayuda({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Muestra esta ayuda."));
    p.addOptions({quitar, ayuda});
    if (!p.parse(args)) {
        errores << p.errorText() << Qt::endl;
        return 2;
    }
    if (p.isSet(ayuda)) {
        const QString texto = p.helpText();
        salida << QStringLiteral("Uso: terv-cli integrar [--quitar]") << texto.mid(texto.indexOf(QLatin1Char('\n')));
        return 0;
    }
    const QString carpeta = CarpetaGuiones();
    if (p.isSet(quitar)) {
        for (const Guion& g : kGuiones)
            QFile::remove(carpeta + QLatin1Char('/') + QString::fromUtf8(g.nombre));
        QDir().rmdir(carpeta); // only when nothing else is left in it
        return 0;
    }
    if (!QDir().mkpath(carpeta)) {
        errores << carpeta << QStringLiteral(": no se pudo crear la carpeta") << Qt::endl;
        return 3;
    }
    for (const Guion& g : kGuiones) {
        const QString nombre = QString::fromUtf8(g.nombre);
        const QString ruta = carpeta + QLatin1Char('/') + nombre;
        const QByteArray contenido = "#!/bin/sh\n# Acción de TERV para Nautilus (terv-cli integrar; terv-cli integrar --quitar la quita).\nexec "
                                     + Cito(Programa()).toUtf8() + ' ' + g.opcion + " \"$@\"\n";
        QString error;
        if (!EscriboGuion(carpeta, nombre, contenido, error)) {
            errores << ruta << QStringLiteral(": ") << error << Qt::endl;
            return 3;
        }
        salida << ruta << Qt::endl;
    }
    return 0;
}
