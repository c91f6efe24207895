#pragma once
// Opening files with TERV, and one TERV per user: a second terv started while
// one runs hands its files to the running one over a per-user local socket
// and ends, so that opening five files leaves one window.
#include <QObject>
#include <QStringList>

#include <functional>

class QLocalServer;

// What the command line asks for: a screen chosen by the files, or the one
// a file manager's action names.
enum class Apertura { Segun, Sellar, Comprobar, Unir, Comprimir };

struct Pedido {
    Apertura como = Apertura::Segun;
    QStringList rutas; // absolute
    bool operator==(const Pedido&) const = default;
};

// "--sellar", "--comprobar", "--unir", "--comprimir", then the files
// (relative ones taken from carpetaActual; "--" ends the options).
Pedido LeoArgumentos(const QStringList& argumentos, const QString& carpetaActual);

// The screen that fits the files: a partition opens the join, a single
// stamped name the verification, anything else the compression list.
Apertura ElijoPantalla(const Pedido& pedido);

class Instancia : public QObject {
    Q_OBJECT
public:
    // canal: the socket's path; by default in the user's runtime folder.
    explicit Instancia(QString canal = CanalUsuario(), QObject* padre = nullptr);
    ~Instancia() override;

    // Either hands the request to a running TERV (true: this one should end)
    // or becomes the running one and listens (false).
    bool entregoOEscucho(const Pedido& pedido);

    // Requests received so far and from now on go to atender. Before this,
    // they wait (the start-up of this copy may still be asking the operator).
    void atiendoCon(std::function<void(const Pedido&)> atender);

    static QString CanalUsuario();

private:
    bool entrego(const Pedido& pedido);
    void recibo();

    QString canal_;
    QLocalServer* servidor_ = nullptr;
    QList<Pedido> pendientes_;
    std::function<void(const Pedido&)> atender_;
};
