#pragma once
// Every message box and file or folder choice goes through this seam, so the
// screens can be driven by a script in the tests.
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

enum class Icono { Ninguno, Informacion, Exclamacion, Critico, Pregunta };
enum class Botones { Aceptar, AceptarCancelar, SiNo };
enum class Respuesta { Aceptar, Cancelar, Si, No };

struct Mensaje {
    QString titulo; // empty: the application's title, "TERV"
    QString texto;
    Icono icono = Icono::Ninguno;
    Botones botones = Botones::Aceptar;
    Respuesta porDefecto = Respuesta::Aceptar;
    bool alineadoDerecha = false;
};

inline QString TituloAplicacion() { return QStringLiteral("TERV"); }
// A run the operator cancelled: he asked for it, so it is told, not warned of.
inline Mensaje MensajeCancelacion(const QString& texto) { return {TituloAplicacion(), texto, Icono::Informacion}; }
inline QString TituloVisible(const Mensaje& m) { return m.titulo.isEmpty() ? TituloAplicacion() : m.titulo; }

class Dialogos {
public:
    virtual ~Dialogos() = default;
    virtual Respuesta mensaje(QWidget* padre, const Mensaje& m) = 0;
    // Empty text: the operator cancelled.
    virtual QString abroArchivo(QWidget* padre, const QString& titulo, const QString& carpeta,
                                const QString& filtro) = 0;
    // Full paths in the order the dialog gives them; empty: cancelled.
    virtual QStringList abroArchivos(QWidget* padre, const QString& titulo, const QString& carpeta,
                                     const QString& filtro) = 0;
    // The folder browser, with its caption line; nullopt: cancelled.
    virtual std::optional<QString> eligoCarpeta(QWidget* padre, const QString& leyenda) = 0;
};
