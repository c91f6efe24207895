#include "system/plataforma.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool CorroboroAdministrador()
{
    if (::geteuid() == 0)
        return true;
    const int cantidad = ::getgroups(0, nullptr);
    if (cantidad <= 0)
        return false;
    std::vector<gid_t> grupos(static_cast<size_t>(cantidad));
    const int leidos = ::getgroups(cantidad, grupos.data());
    for (int i = 0; i < leidos; ++i) {
        if (const group* g = ::getgrgid(grupos[size_t(i)])) {
            const QByteArray nombre(g->gr_name);
            if (nombre == "sudo" || nombre == "wheel" || nombre == "admin")
                return true;
        }
    }
    return false;
}

QString ObtengoDirectorioWindows()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    const QString carpeta = base + QStringLiteral("/terv/trabajo");
    if (!QDir().mkpath(carpeta))
        return {};
    // Scratch archives may hold the operator's data: nobody else may read them.
    const QByteArray nativo = QFile::encodeName(carpeta);
    struct stat st {};
    if (::stat(nativo.constData(), &st) != 0 || st.st_uid != ::geteuid())
        return {};
    if ((st.st_mode & 0777) != 0700 && ::chmod(nativo.constData(), 0700) != 0)
        return {};
    return carpeta + QLatin1Char('/');
}

QString CarpetaAplicacion()
{
    return QCoreApplication::applicationDirPath();
}

QString NombrePrograma()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUpper();
}
