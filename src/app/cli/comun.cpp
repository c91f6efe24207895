#include "app/cli/comun.h"

#include "system/tamanos.h"

#include <QDir>
#include <QJsonDocument>

#include <atomic>
#include <csignal>
#include <thread>
#include <cstdio>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t cancelado = 0;
std::atomic<Progreso*> trabajoActual{nullptr};
std::atomic<int> enManejo{0}; // handlers between taking the job and leaving it
// Straight into the job's flag, so that a run ending soon after Ctrl-C
// cannot slip through between two looks of the progress timer.
void alCancelar(int)
{
    cancelado = 1;
    enManejo.fetch_add(1);
    if (Progreso* p = trabajoActual.load())
        p->cancelar.store(true);
    enManejo.fetch_sub(1);
}
} // namespace

void EmpiezoTrabajo(Progreso* progreso)
{
    trabajoActual.store(progreso);
    // A handler that took the former job before the store may still be
    // writing into it: that job must outlive the handler (it goes out of
    // scope right after). A handler that comes later sees the new one.
    while (enManejo.load() != 0)
        std::this_thread::yield();
}

QTextStream& salida()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& errores()
{
    static QTextStream s(stderr);
    return s;
}

void Aviso(const QString& texto) { errores() << texto << Qt::endl; }

void Informo(const Opciones& o, const QJsonObject& objeto, const QString& texto)
{
    if (o.enJson)
        salida() << QJsonDocument(objeto).toJson(QJsonDocument::Compact) << Qt::endl;
    else
        salida() << texto << Qt::endl;
}

void InformoFalla(const Opciones& o, const QString& archivo, const QString& causa)
{
    Aviso(archivo.isEmpty() ? causa : archivo + QStringLiteral(": ") + causa);
    if (o.enJson)
        Informo(o, {{QStringLiteral("archivo"), archivo}, {QStringLiteral("error"), causa}}, QString());
}

std::optional<int> Analizo(Opciones& o, const QStringList& args, const QString& sintaxis, const QString& descripcion,
                           int minimo, int maximo)
{
    o.p.setApplicationDescription(descripcion);
    // A subcommand without files answers once.
    if (maximo == 0)
        o.json.setDescription(QStringLiteral("El resultado como un objeto JSON en la salida estándar."));
    o.p.addOptions({o.ayuda, o.json});
    // The arguments are in our own usage line: Qt's column would cut their names.
    if (!o.p.parse(args)) {
        Aviso(o.p.errorText());
        return UsoMal;
    }
    if (o.p.isSet(o.ayuda)) {
        // Our own first line: the subcommand is part of the usage.
        const QString texto = o.p.helpText();
        salida() << QStringLiteral("Uso: ") << args.first() << QStringLiteral(" [opciones] ") << sintaxis
                 << texto.mid(texto.indexOf(QLatin1Char('\n')));
        return Exito;
    }
    const qsizetype n = o.p.positionalArguments().size();
    if (n < minimo) {
        Aviso(QStringLiteral("Faltan argumentos: ") + sintaxis);
        return UsoMal;
    }
    if (maximo >= 0 && n > maximo) {
        Aviso(QStringLiteral("Sobran argumentos: ") + o.p.positionalArguments().mid(maximo).join(QLatin1Char(' '))
              + QStringLiteral(" (uso: ") + sintaxis + QLatin1Char(')'));
        return UsoMal;
    }
    o.enJson = o.p.isSet(o.json);
    return std::nullopt;
}

bool PreparoDestino(const Opciones& o, const QString& carpeta)
{
    if (QDir().mkpath(carpeta))
        return true;
    InformoFalla(o, carpeta, QStringLiteral("no se pudo crear la carpeta de destino"));
    return false;
}

std::optional<qint64> LeoOpcionMegas(const QString& texto)
{
    const auto mb = LeoMegas(texto);
    if (!mb) {
        Aviso(QStringLiteral("El tamaño \"") + texto
              + QStringLiteral("\" no es válido: indique un número de MB mayor que 0 y no mayor que ")
              + QString::number(qint64(kMegasMaximos)) + QStringLiteral(" (por ejemplo 20 o 2,5)"));
        return std::nullopt;
    }
    return MegasABytes(*mb);
}

void InstaloCancelacion()
{
    struct sigaction sa {};
    sa.sa_handler = alCancelar;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

bool SeCancelo() { return cancelado != 0; }

bool EsTerminal() { return isatty(fileno(stderr)) != 0; }

void MuestroAvance(const QString& que, const Progreso& progreso)
{
    const qint64 total = progreso.total.load();
    if (EsTerminal() && total > 0)
        errores() << '\r' << que << ' ' << progreso.hecho.load() * 100 / total << '%' << Qt::flush;
}

void TerminoAvance(const Progreso& progreso)
{
    if (EsTerminal() && progreso.total.load() > 0)
        errores() << Qt::endl;
}
