#pragma once
#include "system/pantallas/pantalla_trabajo.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Checks the hash carried in a stamped file's name and corrects it on request.
class FrmCorroboroHash : public PantallaTrabajo {
    Q_OBJECT
public:
    explicit FrmCorroboroHash(Contexto& contexto);
    void Command1_Click(int Index);
    void eligoArchivo(const QString& ruta);
    void CorroboroHash();

protected:
    void salgo() override;

private:
    QLineEdit* Text1_0;
    QLineEdit* Text1_1;
    QPushButton* cmdElegir;     // Command1(0)
    QPushButton* cmdCorroborar; // Command1(1)
    QPushButton* cmdSalir;
    QLabel* lblCorroboroHash;
    QProgressBar* barra;
    void errorDeHash(const Falla& falla);
};
