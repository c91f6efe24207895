#pragma once
#include "system/pantallas/pantalla_trabajo.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Stamps one chosen file with the hash of its content.
class FrmAgregoHash : public PantallaTrabajo {
    Q_OBJECT
public:
    explicit FrmAgregoHash(Contexto& contexto);
    void Command1_Click(int Index);
    void eligoArchivo(const QString& ruta); // from the dialog or a drop
    void AgregoHash();

private:
    qint64 TamanoArchivo = 0;
    QLineEdit* txtTamMB;
    QLineEdit* Text1;
    QPushButton* cmdElegir;  // Command1(0)
    QPushButton* cmdGenerar; // Command1(2)
    QPushButton* cmdSalir;
    QLabel* lblnoesZip;
    QLabel* Label1;
    QLabel* lblEspere;
    QProgressBar* barra;
    void txtTamMB_Change();
    void errorDeHash(const Falla& falla);
};
