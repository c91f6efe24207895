#pragma once
// Helpers the tests share: data files, md5sum, the loopback size service.
#include "soporte/dialogos_guion.h"
#include "system/pantallas/contexto.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

QString EscriboArchivo(const QString& ruta, const QByteArray& contenido);
QByteArray LeoArchivo(const QString& ruta);
// Pseudo-random but repeatable content.
QByteArray Datos(qint64 n, unsigned semilla = 1);
// md5sum of the file, upper case.
QString Md5sum(const QString& ruta);
QStringList Archivos(const QString& carpeta);

// The demo service on a free loopback port, stopped with the object.
class Servicio {
public:
    explicit Servicio(const QString& modo, const QString& tamano = QStringLiteral("20"));
    ~Servicio();
    QString url() const; // front part, ending in "?programa="
    quint16 puerto = 0;
private:
    std::unique_ptr<QProcess> proceso_;
};

// A context with a scripted operator and the real process runner.
struct Escenario {
    DialogosGuion dialogos;
    EjecutorProcesos ejecutor;
    RelojSistema reloj;
    QTemporaryDir carpeta;
    Contexto ctx{dialogos, ejecutor, reloj};
    Escenario();
};

// Readable failures: gtest prints Qt texts as text.
#include <ostream>
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
