#pragma once
#include "system/pantallas/pantalla_trabajo.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The join screen: pick the origin folder and one partition of the set.
class Unir : public PantallaTrabajo {
    Q_OBJECT
public:
    explicit Unir(Contexto& contexto);
    // Opened from a partition: its folder is origin and destination, and it
    // is picked as if clicked.
    void abroCon(const QString& particion);

protected:
    void salgo() override { cmdSalir_Click(); }
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void CmdOrigen_Click();
    void cmdDestino_Click();
    void File1_Click(const QString& S);
    void cmdUnir_Click();
    void cmdSalir_Click();
    void VuelvoAlMenu() { emit vuelvoAlMenu(); }

    QString RutaOrigen;
    QString seleccionada_;  // the partition clicked last
    bool conRaton_ = false; // a mouse press on the chooser is being handled
    QLineEdit* txtOrigen;
    QLineEdit* txtDestino;
    QPushButton* CmdOrigen;
    QPushButton* cmdDestino;
    QListWidget* File1;
    QGroupBox* fmeValido;
    QListWidget* File2;
    QPushButton* cmdUnir;
    QPushButton* cmdSalir;
    QLabel* lblProg;
    QGroupBox* FmeAyudaRapida;
    QProgressBar* barra;
};
