#include "system/tamanos.h"

#include <cmath>

qint64 MegasABytes(double megas) { return qint64(std::nearbyint(megas * 1048576.0)); }

std::optional<double> LeoMegas(const QString& texto)
{
    QString t = texto.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    int separadores = 0;
    for (QChar& c : t) {
        if (c == QLatin1Char(',') || c == QLatin1Char('.')) {
            c = QLatin1Char('.');
            ++separadores;
        } else if (!c.isDigit() || c.unicode() > 127) {
            return std::nullopt; // letters, signs, exponents, "nan", "inf"
        }
    }
    if (separadores > 1 || t == QLatin1String("."))
        return std::nullopt;
    bool ok = false;
    const double valor = t.toDouble(&ok);
    if (!ok || !std::isfinite(valor) || valor <= 0 || valor > kMegasMaximos)
        return std::nullopt;
    return valor;
}

bool EsCaracterDeTamano(QChar c)
{
    return (c.isDigit() && c.unicode() < 128) || c == QLatin1Char(',') || c == QLatin1Char('.');
}
