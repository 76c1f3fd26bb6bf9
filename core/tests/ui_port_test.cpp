#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <vector>

#include "core/ui_port.h"

TEST(RecordingPort, RecordsBoxesAndAnswersQuestionsInOrder) {
    remu::RecordingPort port;
    port.stop("NO SE CONECTO");
    port.alert("Usted ya está ejecutando el sistema", "Alerta");
    port.answerNext(false);
    EXPECT_FALSE(port.yesNo("¿Seguro?", "Confirme"));
    EXPECT_TRUE(port.yesNo("¿Otra vez?", "Confirme"));
    ASSERT_EQ(port.lines().size(), 4u);
    EXPECT_EQ(port.lines()[0], "Stop|Alto|NO SE CONECTO");
    EXPECT_EQ(port.lines()[1], "Alert|Alerta|Usted ya está ejecutando el sistema");
}

TEST(ConsolePort, ProgressLineReadsAsPercentageAndWorkerCount) {
    using remu::progressLine;
    EXPECT_EQ(progressLine("Por Favor, espere\r\nProceso 80%58"), "Proceso  80%  58 trabajadores");
    EXPECT_EQ(progressLine("Por Favor, espere\r\nProceso 80%1"), "Proceso  80%  1 trabajador");
    EXPECT_EQ(progressLine("Por Favor, espere\r\nProceso 10%"), "Proceso  10%");
    EXPECT_EQ(progressLine("Por Favor, espere\r\nProceso 60% "), "Proceso  60%");
    EXPECT_EQ(progressLine("Proceso Finalizado "), "Proceso Finalizado");
    EXPECT_EQ(progressLine("Generando en PDF .. "), "Generando en PDF ..");
}

TEST(ConsolePort, ProgressIsRewrittenOnATerminalAndLeftOutElsewhere) {
    std::ostringstream tty;
    {
        remu::ConsolePort port(false, false, tty, true);
        port.progress("Por Favor, espere\r\nProceso 80%1");
        port.progress("Por Favor, espere\r\nProceso 80%2");
        // A message starts on a line of its own and the progress line stays readable above it.
        port.alert("Falta el valor UF", "Atención");
        port.progress("Proceso Finalizado ");
    }
    EXPECT_EQ(tty.str(),
              "\rProceso  80%  1 trabajador\x1b[K\rProceso  80%  2 trabajadores\x1b[K\n"
              "[Atención] Falta el valor UF\n"
              "\rProceso Finalizado\x1b[K\n");

    std::ostringstream log;
    {
        remu::ConsolePort port(false, false, log, false);
        port.progress("Por Favor, espere\r\nProceso 10%");
        port.stop("NO SE CONECTO");
    }
    EXPECT_EQ(log.str(), "[Alto] NO SE CONECTO\n");

    std::ostringstream quiet;
    remu::ConsolePort silent(false, true, quiet, true);
    silent.progress("Por Favor, espere\r\nProceso 10%");
    EXPECT_EQ(quiet.str(), "");
}

TEST(ConsolePort, QuestionsNameTheFlagThatConfirms) {
    std::ostringstream err;
    remu::ConsolePort no(false, false, err, false);
    EXPECT_FALSE(no.yesNo("Seguro de realizar el envío?", "alerta"));
    EXPECT_EQ(err.str(), "[alerta] Seguro de realizar el envío?\n  -> no (use --si para confirmar)\n");
    std::ostringstream err2;
    remu::ConsolePort yes(true, false, err2, false);
    EXPECT_TRUE(yes.yesNo("Seguro de realizar el envío?", "alerta"));
    EXPECT_EQ(err2.str(), "[alerta] Seguro de realizar el envío?\n  -> sí (--si)\n");
}

// The wait cursor of a guarded call goes off however the call ends, and a relay hands it on.
TEST(BusyCursor, OffAgainWhenTheGuardedCallEndsOrThrows) {
    struct CursorPort : remu::RecordingPort {
        std::vector<bool> calls;
        void busy(bool on) override { calls.push_back(on); }
    } port;
    {
        remu::BusyCursor wait(port);
        EXPECT_EQ(port.calls, std::vector<bool>{true});
    }
    EXPECT_EQ(port.calls, (std::vector<bool>{true, false}));

    port.calls.clear();
    remu::RelayPort relay(port);
    EXPECT_THROW(
        {
            remu::BusyCursor wait(relay);
            throw std::runtime_error("the server went away");
        },
        std::runtime_error);
    EXPECT_EQ(port.calls, (std::vector<bool>{true, false}));
}
