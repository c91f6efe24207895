#include "system/plataforma.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
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
    // Other threads may be running: the reentrant lookup, with its own buffer.
    const long sugerido = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> memoria(size_t(sugerido > 0 ? sugerido : 16384));
    for (int i = 0; i < leidos; ++i) {
        group g {};
        group* hallado = nullptr;
        int r;
        while ((r = ::getgrgid_r(grupos[size_t(i)], &g, memoria.data(), memoria.size(), &hallado)) == ERANGE
               && memoria.size() < (size_t(1) << 24))
            memoria.resize(memoria.size() * 2);
        if (r == 0 && hallado) {
            const QByteArray nombre(hallado->gr_name);
            if (nombre == "sudo" || nombre == "wheel" || nombre == "admin")
                return true;
        }
    }
    return false;
}

Resultado<QString> ObtengoDirectorioWindows()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    const QString carpeta = base + QStringLiteral("/terv/trabajo");
    QDir().mkpath(base + QStringLiteral("/terv"));
    const QByteArray nativo = QFile::encodeName(carpeta);
    if (::mkdir(nativo.constData(), 0700) != 0 && errno != EEXIST)
        return Falla::desdeErrno(errno, carpeta);
    // Scratch archives may hold the operator's data: the folder must be the
    // user's own and private, and is never fixed up through a link.
    struct stat st {};
    if (::lstat(nativo.constData(), &st) != 0)
        return Falla::desdeErrno(errno, carpeta);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 0777) != 0700)
        return Falla::de(TipoFalla::NoEsArchivoComun,
                         QStringLiteral("La carpeta de trabajo ") + carpeta
                             + QStringLiteral(" no es una carpeta privada del usuario (debe ser una carpeta propia, no un enlace, "
                                              "con permisos 0700). Corríjala o bórrela e intente nuevamente."));
    return QString(carpeta + QLatin1Char('/'));
}

QString CarpetaAplicacion()
{
    return QCoreApplication::applicationDirPath();
}

QString NombrePrograma()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUpper();
}
