#pragma once
#include "system/pantallas/dialogos.h"

// The real boxes and dialogs, with Spanish button texts.
class DialogosQt : public Dialogos {
public:
    Respuesta mensaje(QWidget* padre, const Mensaje& m) override;
    QString abroArchivo(QWidget* padre, const QString& titulo, const QString& carpeta, const QString& filtro) override;
    QStringList abroArchivos(QWidget* padre, const QString& titulo, const QString& carpeta,
                             const QString& filtro) override;
    std::optional<QString> eligoCarpeta(QWidget* padre, const QString& leyenda) override;
};
