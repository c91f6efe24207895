#pragma once
// Helpers every test shares, screens or not: data files, md5sum, the
// loopback size service, running the executables.
#include "system/fallas.h"
#include "system/progreso.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

QString EscriboArchivo(const QString& ruta, const QByteArray& contenido);
QByteArray LeoArchivo(const QString& ruta);
// Pseudo-random but repeatable content.
QByteArray Datos(qint64 n, unsigned semilla = 1);
// md5sum of the file, upper case.
QString Md5sum(const QString& ruta);
QStringList Archivos(const QString& carpeta);
// Our temporaries (files and run folders) left in a folder.
QStringList Temporales(const QString& carpeta);

// The demo service on a free loopback port, stopped with the object.
class Servicio {
public:
    explicit Servicio(const QString& modo, const QString& tamano = QStringLiteral("20"));
    // Any helper that prints "ESCUCHANDO <port>" once it listens.
    Servicio(const QString& programa, const QStringList& argumentos);
    ~Servicio();
    QString url() const; // front part, ending in "?programa="
    quint16 puerto = 0;

private:
    std::unique_ptr<QProcess> proceso_;
};

// A run of one of our executables from outside.
struct Corrida {
    int codigo = -1; // -1: killed or timed out
    QString salida, errores;
};
Corrida CorroPrograma(const QString& programa, const QStringList& args, int esperaMs = 120000,
                      const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment());

// A run for one MD5 kernel (TERV_MD5) that this processor lacks: prints the
// one line ctest counts as skipped (tests/CMakeLists.txt), and the run does
// nothing else.
bool NucleoMd5Ausente();

// Readable failures: gtest prints Qt texts as text.
#include <ostream>
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
