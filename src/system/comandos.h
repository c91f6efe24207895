#pragma once
// Runs an external program without a window and without a shell, and returns
// as soon as it ends, processing events meanwhile so the screen stays alive.
#include "system/fallas.h"

#include <QString>
#include <QStringList>
#include <functional>

struct SalidaComando {
    bool inicio = false;   // false: the program could not be started
    int codigo = -1;       // exit code (259 is an ordinary one)
    bool normal = false;   // ended on its own, not killed by a signal
    QString errores;       // what it wrote to its error output
    QString descripcion;   // Spanish description when it could not start
};

class EjecutorComandos {
public:
    virtual ~EjecutorComandos() = default;
    // salida receives each line of standard output as it comes (may be empty).
    virtual SalidaComando ejecuto(const QString& programa, const QStringList& argumentos,
                                  const std::function<void(const QString&)>& salida = {}) = 0;
};

// The real runner on QProcess with a local event loop.
class EjecutorProcesos : public EjecutorComandos {
public:
    SalidaComando ejecuto(const QString& programa, const QStringList& argumentos,
                          const std::function<void(const QString&)>& salida = {}) override;
};

SalidaComando ExecCmdNoFocus(const QString& programa, const QStringList& argumentos);
