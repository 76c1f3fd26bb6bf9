#include <gtest/gtest.h>

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
