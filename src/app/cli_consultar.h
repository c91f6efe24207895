#pragma once
// terv-cli consultar: the start-up's size query, without a window.
#include <QString>
#include <QStringList>
#include <optional>

// Prints the maximum size in MB (0 on success), or the box's title and text
// on standard error (3). Options: --ini RUTA, --json.
int Consultar(const QStringList& args);

// The size the service gives with the TERV.ini beside the executable, in bytes;
// nullopt with the reason in *falla when it gives none.
std::optional<qint64> TamanoConsultadoBytes(QString* falla);
