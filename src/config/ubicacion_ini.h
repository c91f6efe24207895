#pragma once
// Where TERV.ini is read and written. A TERV.ini beside the executable (a
// portable copy, the build folder) is used as it is. An installed copy (the
// executable in PREFIX/bin with no TERV.ini beside it) reads the
// organisation's file from PREFIX/etc/terv (/etc/terv for /usr) and the
// operator's own file under the user's configuration folder, whose keys
// override it; PARTGUAR is written to the operator's file.
#include "config/archivo_ini.h"

#include <QString>

struct UbicacionIni {
    QString organizacion; // read first; the only file of a portable copy
    QString usuario;      // empty unless installed: overrides, and takes PARTGUAR
};

// carpetaUsuario: the user's configuration folder (XDG_CONFIG_HOME), for tests.
UbicacionIni UbicoIni(const QString& carpetaAplicacion, const QString& carpetaUsuario = QString());

// The help file: beside the executable, or in PREFIX/share/terv once installed.
QString UbicoAyuda(const QString& carpetaAplicacion);

// AMBIENTE, URL and PARTGUAR of both files, and the file PARTGUAR goes to;
// existe is false only when none of the files exists.
Configuracion CargoConfiguracion(const UbicacionIni& ubicacion);

// The files exist but name no service (URL empty): what the operator is told,
// once per start, instead of a failed query.
QString TextoSinServicio(const UbicacionIni& ubicacion);
