#pragma once
// terv-cli run from outside.
#include "soporte/datos.h"

inline Corrida Corro(const QStringList& args) { return CorroPrograma(QStringLiteral(TERV_CLI), args); }

// The environment that loads the fault injector (tests/soporte/interpuesto.cpp),
// told what to do by "NOMBRE=valor" settings.
inline QProcessEnvironment EntornoInyectado(const QStringList& ajustes)
{
    auto entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TERV_INTERPUESTO));
    for (const QString& a : ajustes)
        entorno.insert(a.section(QLatin1Char('='), 0, 0), a.section(QLatin1Char('='), 1));
    return entorno;
}

inline Corrida CorroInyectado(const QStringList& args, const QStringList& ajustes)
{
    return CorroPrograma(QStringLiteral(TERV_CLI), args, 120000, EntornoInyectado(ajustes));
}
