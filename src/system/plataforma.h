#pragma once
// What the utility asks of the operating system besides files.
#include "system/fallas.h"

#include <QDate>
#include <QString>

// Whether the operator works with administrator rights (a warning only).
bool CorroboroAdministrador();

// The folder of the executable, without a trailing separator.
QString CarpetaAplicacion();

// The executable's name without extension, upper case: the program name sent
// to the interchange service.
QString NombrePrograma();

// Where a folder box falls back to when it is empty (the file-system root).
inline QString CarpetaRaiz() { return QStringLiteral("/"); }

// The date source, injectable so that date-stamped names can be tested.
class Reloj {
public:
    virtual ~Reloj() = default;
    virtual QDate hoy() const = 0;
};

class RelojSistema : public Reloj {
public:
    QDate hoy() const override { return QDate::currentDate(); }
};
