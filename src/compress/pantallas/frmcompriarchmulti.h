#pragma once
#include "compress/compresion.h"
#include "system/pantallas/pantalla_trabajo.h"

#include <functional>

class FrmPartArcMult;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// Packs the listed files into one zip archive for publication: stamped when it
// fits the limit, split on request when it does not.
class FrmCompriArchMulti : public PantallaTrabajo {
    Q_OBJECT
public:
    explicit FrmCompriArchMulti(Contexto& contexto);
    // Files handed over from outside (the file manager), as if chosen in the
    // dialog; ignored while a run is going on.
    void agregoRutas(const QStringList& rutas);
    // Observes each compressed piece on the job's thread (see PlanCompresion).
    std::function<void(const QString& ruta)> alComprimir;

protected:
    void salgo() override { cmdVolver_Click(); }
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void cmdAddFiles_Click();
    void cmdDelete_Click();
    void cmdClear_Click();
    void cmdProcesar_Click();
    void cmdVolver_Click();
    void chkAgregarFyV_Click(bool marcado);
    bool txtMB_LostFocus();
    void AgregoArchivos(const QStringList& rutas);
    void CargoListaArchivos();
    void estado(const QString& texto, const QColor& color);
    ResultadoCompresion ComprimoArchivosMulti(const QString& Nombre, qint64 limite);
    void muestroDesenlace(const ResultadoCompresion& r);
    void fallaArmado(const QString& causa);

    ListaArchivos Lista;
    QString CarpetaArchivos;
    QString NombreSinFecha;
    QListWidget* lstFiles;
    QPushButton* cmdAddFiles;
    QPushButton* cmdDelete;
    QPushButton* cmdClear;
    QCheckBox* chkAgregarFyV;
    QLineEdit* txtNombArc;
    QLineEdit* txtMB;
    QLabel* lblMensaje;
    QProgressBar* ProgressBar1;
    QPushButton* cmdProcesar;
    QPushButton* cmdVolver;
    QGroupBox* FmeAyudaRapida;
    FrmPartArcMult* partidor_;
};
