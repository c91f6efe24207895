#pragma once
// terv-cli run from outside.
#include "soporte/datos.h"

inline Corrida Corro(const QStringList& args)
{
    return CorroPrograma(QStringLiteral(TERV_CLI), args);
}

// terv-cli with the fault injector loaded (tests/soporte/interpuesto.cpp),
// told what to do by "NOMBRE=valor" settings.
inline Corrida CorroInyectado(const QStringList& args, const QStringList& ajustes)
{
    auto entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TERV_INTERPUESTO));
    for (const QString& a : ajustes)
        entorno.insert(a.section(QLatin1Char('='), 0, 0), a.section(QLatin1Char('='), 1));
    return CorroPrograma(QStringLiteral(TERV_CLI), args, 120000, entorno);
}
