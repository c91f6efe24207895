#pragma once
// What every terv-cli subcommand shares: option parsing, where messages and
// results go, progress on a terminal, and Ctrl-C as a cancel.
#include "system/fallas.h"
#include "system/trabajo.h"

#include <QCommandLineParser>
#include <QJsonObject>
#include <QTextStream>
#include <optional>

enum Salida { Exito = 0, DatosMal = 1, UsoMal = 2, Fallo = 3 };

QTextStream& salida();
QTextStream& errores();

struct Opciones {
    QCommandLineParser p;
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Un objeto JSON por archivo en la salida estándar.")};
    QCommandLineOption ayuda{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Muestra esta ayuda.")};
    bool enJson = false;
};

void Aviso(const QString& texto);
// The --destino folder, created (with its parents) when it does not exist yet;
// false, with the cause said, when it cannot be.
bool PreparoDestino(const Opciones& o, const QString& carpeta);

// A result line, or its JSON object with --json.
void Informo(const Opciones& o, const QJsonObject& objeto, const QString& texto);
// A failure: its cause on standard error, and with --json an object on standard output too.
void InformoFalla(const Opciones& o, const QString& archivo, const QString& causa);

// Parses the subcommand's own arguments, between minimo and maximo (-1: any)
// positional ones; a value when the subcommand must end now (help, bad usage).
std::optional<int> Analizo(Opciones& o, const QStringList& args, const QString& sintaxis, const QString& descripcion,
                           int minimo, int maximo = -1);

// A size option in MB; nullopt (after saying why) when it is not a sane value.
std::optional<qint64> LeoOpcionMegas(const QString& texto);

// Installs Ctrl-C and SIGTERM as a cancel of the job in progress.
void InstaloCancelacion();
bool SeCancelo();

bool EsTerminal();
void MuestroAvance(const QString& que, const Progreso& progreso);
void TerminoAvance(const Progreso& progreso);

// The job that Ctrl-C cancels (nullptr: none).
void EmpiezoTrabajo(Progreso* progreso);

// Runs a long job off the main thread, showing its percentage on standard
// error when that is a terminal; Ctrl-C cancels it (the signal reaches the
// job's flag itself; one that came before the job is passed on here).
template <class F>
auto ConAvance(const QString& que, Progreso& progreso, F&& trabajo)
{
    EmpiezoTrabajo(&progreso);
    if (SeCancelo())
        progreso.cancelar.store(true);
    auto r = EjecutoTrabajo(std::forward<F>(trabajo), [&] { MuestroAvance(que, progreso); });
    EmpiezoTrabajo(nullptr);
    TerminoAvance(progreso);
    return r;
}
