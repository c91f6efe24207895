#pragma once
// The subcommands of terv-cli; each takes its own arguments (the first one
// names it, for the usage line) and returns the exit code.
#include <QStringList>

int Sellar(const QStringList& args);
int Verificar(const QStringList& args);
int Particionar(const QStringList& args);
int Unir(const QStringList& args);
int Comprimir(const QStringList& args);
int Integrar(const QStringList& args);
