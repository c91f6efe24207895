#include "config/compartido.h"

Compartido& compartido()
{
    static Compartido valores;
    return valores;
}

void CalculoTamanoBytes()
{
    compartido().TamanoMaximoBytes = qint64(compartido().TamanoMaximoMB) * 1024 * 1024;
}
