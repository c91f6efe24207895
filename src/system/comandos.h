#pragma once
// Runs an external program without a window and without a shell. The child
// never outlives this process, and a cancel ends it at once.
#include "system/fallas.h"

#include <QString>
#include <QStringList>
#include <functional>

struct SalidaComando {
    bool inicio = false;    // false: the program could not be started
    int codigo = -1;        // exit code (259 is an ordinary one)
    bool normal = false;    // ended on its own, not killed by a signal
    bool cancelado = false; // ended because detener() asked for it
    QString errores;        // what it wrote to its error output (never shown as is)
    QString descripcion;    // Spanish description when it could not start or crashed
};

class EjecutorComandos {
public:
    virtual ~EjecutorComandos() = default;
    // Blocks the calling thread until the program ends: call it from a job's
    // worker thread. salida receives each line of standard output as it
    // comes; detener is polled about ten times a second (either may be empty).
    virtual SalidaComando ejecuto(const QString& programa, const QStringList& argumentos,
                                  const std::function<void(const QString&)>& salida = {},
                                  const std::function<bool()>& detener = {}) = 0;
};

// The real runner on QProcess.
class EjecutorProcesos : public EjecutorComandos {
public:
    SalidaComando ejecuto(const QString& programa, const QStringList& argumentos,
                          const std::function<void(const QString&)>& salida = {},
                          const std::function<bool()>& detener = {}) override;
};

SalidaComando ExecCmdNoFocus(const QString& programa, const QStringList& argumentos);
