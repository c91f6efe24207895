#include "config/compartido.h"

#include <cmath>

Compartido& compartido()
{
    static Compartido valores;
    return valores;
}

void CalculoTamanoBytes()
{
    compartido().TamanoMaximoBytes = qint64(compartido().TamanoMaximoMB) * 1024 * 1024;
}

qint64 MegasABytes(double megas)
{
    return qint64(std::nearbyint(megas * 1048576.0));
}
