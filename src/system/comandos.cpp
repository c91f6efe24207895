#include "system/comandos.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

QString descripcionInicio(QProcess::ProcessError error, const QString& programa)
{
    switch (error) {
    case QProcess::FailedToStart:
        return QStringLiteral("No se pudo iniciar el programa %1: no se encuentra o no tiene permiso de ejecución").arg(programa);
    case QProcess::Crashed:
        return QStringLiteral("El programa %1 terminó de forma anormal").arg(programa);
    default:
        return QStringLiteral("Error al ejecutar el programa %1").arg(programa);
    }
}

} // namespace

SalidaComando EjecutorProcesos::ejecuto(const QString& programa, const QStringList& argumentos,
                                        const std::function<void(const QString&)>& salida,
                                        const std::function<bool()>& detener)
{
    SalidaComando r;
    QProcess proceso;
    // The child is killed when the thread that started it ends, so a killed
    // parent never leaves it writing on its own; a parent that died before
    // the request took hold is noticed through the changed parent id.
    const pid_t padre = ::getpid();
    proceso.setChildProcessModifier([padre] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != padre)
            ::_exit(127);
    });
    proceso.start(programa, argumentos, QIODevice::ReadOnly);
    if (!proceso.waitForStarted(-1)) {
        r.descripcion = descripcionInicio(QProcess::FailedToStart, programa);
        return r;
    }
    r.inicio = true;
    QByteArray pendiente;
    auto leoLineas = [&] {
        pendiente += proceso.readAllStandardOutput();
        qsizetype fin;
        while ((fin = pendiente.indexOf('\n')) >= 0) {
            const QString linea = QString::fromLocal8Bit(pendiente.left(fin)).trimmed();
            pendiente.remove(0, fin + 1);
            if (salida)
                salida(linea);
        }
    };
    while (!proceso.waitForFinished(100)) {
        leoLineas();
        if (proceso.state() == QProcess::NotRunning)
            break;
        if (detener && detener()) {
            proceso.kill();
            proceso.waitForFinished(-1);
            r.cancelado = true;
            break;
        }
    }
    leoLineas();
    r.codigo = proceso.exitCode();
    r.normal = proceso.exitStatus() == QProcess::NormalExit;
    r.errores = QString::fromLocal8Bit(proceso.readAllStandardError());
    if (!r.normal && !r.cancelado)
        r.descripcion = descripcionInicio(QProcess::Crashed, programa);
    return r;
}

SalidaComando ExecCmdNoFocus(const QString& programa, const QStringList& argumentos)
{
    return EjecutorProcesos().ejecuto(programa, argumentos);
}
