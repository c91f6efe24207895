#pragma once
#include "system/pantallas/dialogos.h"

// Words longer than a line get break opportunities: a path after its separators.
QString PartoPalabrasLargas(const QString& texto, int anchoLinea);

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
