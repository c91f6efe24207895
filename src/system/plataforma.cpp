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
    for (int i = 0; i < leidos; ++i) {
        if (const group* g = ::getgrgid(grupos[size_t(i)])) {
            const QByteArray nombre(g->gr_name);
            if (nombre == "sudo" || nombre == "wheel" || nombre == "admin")
                return true;
        }
    }
    return false;
}

QString CarpetaAplicacion()
{
    return QCoreApplication::applicationDirPath();
}

QString NombrePrograma()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUpper();
}
