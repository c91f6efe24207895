#include "system/plataforma.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
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
        group g{};
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

QString CarpetaAplicacion() { return QCoreApplication::applicationDirPath(); }

QString NombrePrograma() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUpper(); }
