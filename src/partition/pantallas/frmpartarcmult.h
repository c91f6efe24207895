#pragma once
// The progress form of a split after compression: shown while the
// compression's job splits an archive that exceeds the limit.
#include "system/trabajo.h"

#include <QWidget>

class QProgressBar;
class QPushButton;

class FrmPartArcMult : public QWidget {
    Q_OBJECT
public:
    explicit FrmPartArcMult(QWidget* compresion);
    // Shows the form centred, its bar and "Cancelar" on that run's progress.
    void CargoFormulario(Progreso* progreso);
    // The bar follows the bytes written.
    void muestroAvance();
    // After a cancel at the confirmation: back to the compression screen.
    void VuelvoACompresion();
    // The run has ended.
    void termino();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* compresion_;
    QProgressBar* ProgressBar1;
    QPushButton* cmdCancelar;
    Progreso* progreso_ = nullptr;
};
