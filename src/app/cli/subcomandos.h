#pragma once
// The subcommands of terv-cli; each takes its own arguments (the first one
// names it, for the usage line) and returns the exit code.
#include <QStringList>
#include <optional>

int Sellar(const QStringList& args);
int Verificar(const QStringList& args);
int Particionar(const QStringList& args);
int Unir(const QStringList& args);
int Comprimir(const QStringList& args);
int Integrar(const QStringList& args);
// The start-up's size query: the size in MB, or the box's title and text (3).
int Consultar(const QStringList& args);

// The size the service gives with the TERV.ini beside the executable, in
// bytes, for particionar and comprimir without --tamano; nullopt with the reason.
std::optional<qint64> TamanoConsultadoBytes(QString* falla);
