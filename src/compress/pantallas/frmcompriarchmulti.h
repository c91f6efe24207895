#pragma once
#include "compress/compresion.h"
#include "system/pantallas/pantalla_trabajo.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// Packs the listed files into one zip archive for publication: stamped when it
// fits the limit, split on request when it does not.
class FrmCompriArchMulti : public PantallaTrabajo {
    Q_OBJECT
public:
    explicit FrmCompriArchMulti(Contexto& contexto);

    void cmdAddFiles_Click();
    void agregoRutas(const QStringList& rutas);
    void cmdDelete_Click();
    void cmdClear_Click();
    void cmdProcesar_Click();
    void cmdVolver_Click();
    bool txtMB_LostFocus();

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
    QPushButton* cmdProcesar;
    QPushButton* cmdVolver;
    QGroupBox* FmeAyudaRapida;

protected:
    void salgo() override { cmdVolver_Click(); }
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void CargoListaArchivos();
    void estado(const QString& texto, const QColor& color);
    void ComprimoArchivosMulti(const QString& Nombre);
    void entregoSellado(const ArchivoArmado& zip, const QString& Nombre);
    void fallaArmado(const QString& causa);
};
