#pragma once
// Building the publication archive with Info-ZIP zip, and its names.
#include "system/comandos.h"
#include "system/fallas.h"
#include "system/plataforma.h"
#include "system/trabajo.h"

#include <QString>
#include <QStringList>
#include <functional>

// Nombre += "_" + YYYYMMDD + "_01"; returns the suffix (also kept in SufijoFechaVersion).
QString AgregoFechayVersion(QString& Nombre, const Reloj& reloj);

// The name proposed for an archive: the file name without its last extension.
QString NombrePropuesto(const QString& nombreArchivo);

// The files to compress, newest first; paths compare as this file system does.
class ListaArchivos {
public:
    bool contiene(const QString& ruta) const { return entradas_.contains(ruta); }
    // Adds at the front; false when the path is already listed.
    bool agrego(const QString& ruta);
    void quito(const QString& ruta) { entradas_.removeAll(ruta); }
    void vacio() { entradas_.clear(); }
    const QStringList& entradas() const { return entradas_; }
    bool isEmpty() const { return entradas_.isEmpty(); }
private:
    QStringList entradas_;
};

struct Agregado {
    bool cambioCarpeta = false; // CarpetaArchivos and the proposed name were set
    QString carpeta;            // ending in "/"
    QString nombre;             // proposed archive name
};

// The dialog's answer (full paths) into the list, as the screen adds them.
Agregado AgregoArchivos(ListaArchivos& lista, const QStringList& rutas);

// Two listed files with the same name from different folders would overwrite
// each other inside a "-j" archive: the message naming them, or empty.
QString NombresRepetidos(const QStringList& rutas);

// The zip program: the work folder's own, else the one on PATH; empty if none.
QString BuscoZip(const QString& carpetaTrabajo);

struct ArchivoArmado {
    QString corrida;  // private folder of this run inside the work folder
    QString archivo;  // the archive inside it
    qint64 tamano = 0;
};

// Builds Nombre + ".zip" from the listed files (in list order, each read from
// its own path) in a fresh folder of the work folder. avance(i, n) tells
// which file zip is adding. On failure nothing of the run is left.
Resultado<ArchivoArmado> ArmoZip(const QStringList& rutas, const QString& Nombre, const QString& carpetaTrabajo,
                                 EjecutorComandos& ejecutor, const std::function<void(int, int)>& avance = {});

// Removes the run folder and all that is in it.
void BorroCorrida(const QString& corrida);
// Removes run folders left by interrupted runs (untouched for hours).
void BorroCorridasViejas(const QString& carpetaTrabajo);

// Delivers the archive into carpeta (ending in "/") stamped with its hash:
// Nombre + "_" + hash + ".zip". Never over an existing file. The run folder
// is removed whatever the outcome. Returns the delivered path.
Resultado<QString> EntregoSellado(const ArchivoArmado& zip, const QString& carpeta, const QString& Nombre,
                                  Progreso* progreso = nullptr);
// Delivers the archive whole as Nombre + ".zip", under the same rules.
Resultado<QString> EntregoEntero(const ArchivoArmado& zip, const QString& carpeta, const QString& Nombre);
