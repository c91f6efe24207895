#pragma once
#include "compress/compresion.h"

#include <QWidget>

struct Contexto;
class QProgressBar;

// Splits an archive that the compression made and that exceeds the limit,
// delivering the partitions into the files' folder.
class FrmPartArcMult : public QWidget {
    Q_OBJECT
public:
    explicit FrmPartArcMult(Contexto& contexto, QWidget* compresion);
    // Shows the form and runs the split; returns when it has ended. The
    // outcome is in ParticionesGeneradas and ComprimidoPendiente.
    void CargoFormulario(const ArchivoArmado& zip, qint64 tamanioMAX, const QString& rutaFinal);
    QProgressBar* ProgressBar1;

private:
    void Cortar_Archivo(const ArchivoArmado& zip, qint64 tamanioMAX, const QString& rutaFinal);
    void VuelvoACompresion();
    Contexto& ctx_;
    QWidget* compresion_;
};
