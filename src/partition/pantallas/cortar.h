#pragma once
#include "partition/particionado.h"
#include "system/pantallas/pantalla_trabajo.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The split screen. It is only hidden when left, and keeps its state.
class Cortar : public PantallaTrabajo {
    Q_OBJECT
public:
    explicit Cortar(Contexto& contexto);
    void Command1_Click(int Index);
    void eligoArchivo(const QString& ruta);
    void GeneroParticiones();

protected:
    void salgo() override { Command1_Click(2); }

private:
    qint64 F = 0;
    qint64 L = 0;
    QLineEdit* txtArchivo;       // Text1(0)
    QLineEdit* txtCarpeta;       // Text1(1)
    QPushButton* cmdElegir;      // Command1(0)
    QPushButton* cmdGuardarEn;   // Command1(1)
    QPushButton* cmdSalir;       // Command1(2)
    QPushButton* cmdParticionar; // Command1(3)
    QLabel* Label1;              // file size
    QLabel* lblnoesZip;
    QLabel* lblProgHash;
    QLineEdit* txtTamMB;
    QLabel* lblTamBytes;
    QProgressBar* ProgressBar1;
    void txtTamMB_Change();
    void finComun();
    void VuelvoAlMenu() { emit vuelvoAlMenu(); }
};
