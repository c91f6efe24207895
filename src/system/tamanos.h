#pragma once
// Sizes typed by the operator, in MB: one rule for every size box and for
// the command line.
#include <QString>
#include <QtGlobal>
#include <optional>

// The largest size the utility takes, in MB: anything larger is a typing mistake.
constexpr double kMegasMaximos = 1048576.0;

// Megabytes (possibly fractional) to bytes, rounded half to even.
qint64 MegasABytes(double megas);

// "20", "2.5" or "2,5" (either decimal separator, whatever the system's
// language): the value in MB when it is a finite number above 0 and not
// absurdly large; nullopt otherwise.
std::optional<double> LeoMegas(const QString& texto);

// Whether a character may stand in a size box while it is typed.
bool EsCaracterDeTamano(QChar c);
