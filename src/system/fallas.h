#pragma once
// Failures travel as values; the screens decide which message box shows them.
#include <QString>
#include <optional>
#include <utility>

enum class TipoFalla {
    NoEncontrado,      // the file or folder is not there
    YaExiste,          // the target name is taken
    ArgumentoInvalido, // e.g. a name without "."
    Cancelado,         // the operator stopped the run
    NoEsArchivoComun,  // a link, folder, FIFO or device where a file is expected
    Ocupado,           // another run is writing the same outputs
    Cambiado,          // the file changed while it was worked on
    Vacio,             // an empty file where content is needed
    MuyGrande,         // larger than the maximum publishable size
    Otra,
};

struct Falla {
    TipoFalla tipo = TipoFalla::Otra;
    QString descripcion; // Spanish, ready for the operator
    int numero = 0;      // the system error number, when one caused it

    static Falla desdeErrno(int numero, const QString& ruta = {});
    static Falla otra(const QString& texto) { return {TipoFalla::Otra, texto, 0}; }
    static Falla de(TipoFalla tipo, const QString& texto) { return {tipo, texto, 0}; }
    static Falla cancelada() { return {TipoFalla::Cancelado, QStringLiteral("Proceso cancelado por el usuario"), 0}; }
};

// The platform's description of a system error, in Spanish.
QString DescripcionError(int numero);

// Either a value or a failure; never both, never neither.
template <class T>
class Resultado {
public:
    Resultado(T valor) : valor_(std::move(valor)) {}
    Resultado(Falla falla) : falla_(std::move(falla)) {}
    bool ok() const { return valor_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& valor() const { return *valor_; }
    T valor_o(T otro) const { return valor_ ? *valor_ : otro; }
    T& valor() { return *valor_; }
    const Falla& falla() const { return *falla_; }

private:
    std::optional<T> valor_;
    std::optional<Falla> falla_;
};

// An operation with no value: empty means success.
using Estado = std::optional<Falla>;
