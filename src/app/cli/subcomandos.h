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

// The size in bytes that --tamano gives or, without it, the one the service
// gives with the program's TERV.ini (for particionar and comprimir); nullopt
// after saying why, with the exit code that deserves (2 bad value, 3 no answer).
struct Opciones;
class QCommandLineOption;
std::optional<qint64> TamanoPedido(const Opciones& o, const QCommandLineOption& tamano, int& codigo);
