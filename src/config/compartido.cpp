#include "config/compartido.h"

#include "system/tamanos.h"

Compartido& compartido()
{
    static Compartido valores;
    return valores;
}

void CalculoTamanoBytes()
{
    compartido().TamanoMaximoBytes = MegasABytes(compartido().TamanoMaximoMB);
}
