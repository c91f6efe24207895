// The runner's hand-offs: a job's result and what it wrote reach the caller,
// and a blocking call from the job runs on the caller's thread with each side
// seeing the other's writes. Plain variables on purpose: under ThreadSanitizer
// (scripts/tsan) a hand-off it cannot see is reported as a race.
#include "system/trabajo.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(Trabajo, ResultadoYLlamadaBloqueanteEntreHilos)
{
    QObject enLaInterfaz;
    QThread* const interfaz = QThread::currentThread();
    int antes = 0, enLaLlamada = 0, despues = 0;
    QThread* hiloDeLaLlamada = nullptr;
    const int r = EjecutoTrabajo([&] {
        antes = 1;
        LlamoYEspero(&enLaInterfaz, [&] {
            hiloDeLaLlamada = QThread::currentThread();
            enLaLlamada = antes + 1;
        });
        despues = enLaLlamada + 1;
        return 42;
    });
    EXPECT_EQ(r, 42);
    EXPECT_EQ(hiloDeLaLlamada, interfaz);
    EXPECT_EQ(enLaLlamada, 2);
    EXPECT_EQ(despues, 3);
}

} // namespace
