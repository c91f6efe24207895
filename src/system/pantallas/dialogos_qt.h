#pragma once
#include "system/pantallas/dialogos.h"

// Words longer than a line get break opportunities: after the separators
// (a path's, by default), and inside a piece that is still too long.
QString PartoPalabrasLargas(const QString& texto, int anchoLinea, QStringView separadores = u"/\\");

// At most maxLineas lines of about anchoLinea characters, ending in "…" when
// cut; words longer than a line get break opportunities.
QString RecortoTextoCaja(const QString& texto, int maxLineas, int anchoLinea);

// The real boxes and dialogs, with Spanish button texts.
class DialogosQt : public Dialogos {
public:
    Respuesta mensaje(QWidget* padre, const Mensaje& m) override;
    QString abroArchivo(QWidget* padre, const QString& titulo, const QString& carpeta, const QString& filtro) override;
    QStringList abroArchivos(QWidget* padre, const QString& titulo, const QString& carpeta,
                             const QString& filtro) override;
    std::optional<QString> eligoCarpeta(QWidget* padre, const QString& leyenda) override;
};
