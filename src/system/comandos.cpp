#include "system/comandos.h"

#include <QEventLoop>
#include <QProcess>

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
                                        const std::function<void(const QString&)>& salida)
{
    SalidaComando r;
    QProcess proceso;
    QEventLoop espera;
    QByteArray pendiente;
    bool terminado = false;
    QObject::connect(&proceso, &QProcess::readyReadStandardOutput, &espera, [&] {
        pendiente += proceso.readAllStandardOutput();
        qsizetype fin;
        while ((fin = pendiente.indexOf('\n')) >= 0) {
            const QString linea = QString::fromLocal8Bit(pendiente.left(fin)).trimmed();
            pendiente.remove(0, fin + 1);
            if (salida)
                salida(linea);
        }
    });
    QObject::connect(&proceso, &QProcess::finished, &espera, [&](int codigo, QProcess::ExitStatus estado) {
        r.inicio = true;
        r.codigo = codigo;
        r.normal = estado == QProcess::NormalExit;
        terminado = true;
        espera.quit();
    });
    QObject::connect(&proceso, &QProcess::errorOccurred, &espera, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            r.descripcion = descripcionInicio(error, programa);
            terminado = true;
            espera.quit();
        }
    });
    proceso.start(programa, argumentos, QIODevice::ReadOnly);
    if (!terminado)
        espera.exec();
    r.errores = QString::fromLocal8Bit(proceso.readAllStandardError());
    if (r.inicio && !r.normal)
        r.descripcion = descripcionInicio(QProcess::Crashed, programa);
    return r;
}

SalidaComando ExecCmdNoFocus(const QString& programa, const QStringList& argumentos)
{
    return EjecutorProcesos().ejecuto(programa, argumentos);
}
