#pragma once
// What the screens are given instead of reaching for the platform themselves.
#include "system/pantallas/dialogos.h"
#include "system/plataforma.h"

#include <functional>

struct Contexto {
    Dialogos& dialogos;
    const Reloj& reloj;
    std::function<bool()> esAdministrador = CorroboroAdministrador;
    QString programa = NombrePrograma(); // the name sent to the service
    int esperaConsultaMs = 30000;
    QString carpetaAplicacion = CarpetaAplicacion(); // where TERV.ini and the help file sit
};
