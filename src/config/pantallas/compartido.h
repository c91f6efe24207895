#pragma once
// The values that every screen shares, one instance for the whole process.
// Only the interface reads and writes them; the core returns values.
#include "config/archivo_ini.h"
#include "system/tamanos.h"

#include <QString>
#include <QtGlobal>

struct Compartido {
    QString RutaIni;              // full path of "TERV.ini"
    QString UrlServicio;          // front part of the size query URL
    QString CarpetaGuardada;      // remembered working folder (PARTGUAR)
    QString UltimaCarpeta;        // folder waiting to be remembered, ending in "/"
    qint32 TamanoMaximoMB = 0;    // 0 means not obtained
    qint64 TamanoMaximoBytes = 0; // 64-bit: limits of 2048 MB and more fit
    QString SufijoFechaVersion;   // last "_YYYYMMDD_01" built
};

Compartido& compartido();

// TamanoMaximoBytes := TamanoMaximoMB x 1,048,576.
void CalculoTamanoBytes();

// RutaIni, UrlServicio and CarpetaGuardada from the loaded configuration.
void AplicoConfiguracion(const Configuracion& c);

// Writes PARTGUAR to RutaIni and remembers the folder, written or not.
void RecuerdoCarpeta(const QString& carpeta);
