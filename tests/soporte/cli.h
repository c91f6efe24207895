#pragma once
// terv-cli run from outside.
#include "soporte/datos.h"

inline Corrida Corro(const QStringList& args)
{
    return CorroPrograma(QStringLiteral(TERV_CLI), args);
}
