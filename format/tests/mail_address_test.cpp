#include "format/mail_address.h"

#include <gtest/gtest.h>

#include "format/codepage.h"

using namespace remu;

TEST(MailAddress, PlainAddressesPass) {
    for (const char* ok : {"jose@correo.cl", "Maria.Zuniga+rrhh@sub.empresa.cl", "a_b-c@x-y.com", "1@2.io"})
        EXPECT_EQ(mailAddressProblem(ok), "") << ok;
}

// The hostile corpus: nothing in it may reach an SMTP command, a file name or a batch line.
TEST(MailAddress, HostileAddressesAreRefusedWithAReason) {
    const std::pair<std::string, std::string> refused[] = {
        {"a@b.cl>\r\nDATA\r\nFrom: ceo@empresa.cl", "contiene caracteres de control"},
        {"a@b.cl\nRCPT TO:<otro@b.cl>", "contiene caracteres de control"},
        {std::string("jose@correo.cl\0maria@otro.cl", 29), "contiene caracteres de control"},
        {"jose@correo.cl\t", "contiene caracteres de control"},
        {"<jose@correo.cl>", "contiene < o >"},
        {"jose@correo.cl>", "contiene < o >"},
        {"jose @correo.cl", "contiene espacios"},
        {"\"jose\"@correo.cl", "contiene caracteres no permitidos"},
        {"jose'@correo.cl", "contiene caracteres no permitidos"},
        {"$(touch /tmp/x)@correo.cl", "contiene espacios"},
        {"$(id)@correo.cl", "contiene caracteres no permitidos"},
        {"`id`@correo.cl", "contiene caracteres no permitidos"},
        {"a;b@correo.cl", "contiene caracteres no permitidos"},
        {"a%PATH%@correo.cl", "contiene caracteres no permitidos"},
        {"a&b|c@correo.cl", "contiene caracteres no permitidos"},
        {"josé@correo.cl", "contiene caracteres que no son ASCII"},
        {std::string(250, 'a') + "@b.cl", "es demasiado larga"},
        {std::string(65, 'a') + "@b.cl", "no tiene la forma usuario@dominio"},
        {"jose", "no tiene la forma usuario@dominio"},
        {"jose@", "no tiene la forma usuario@dominio"},
        {"@correo.cl", "no tiene la forma usuario@dominio"},
        {"jose@correo", "no tiene la forma usuario@dominio"},
        {"a@b@correo.cl", "no tiene la forma usuario@dominio"},
        {"-oProxy@correo.cl", "no tiene la forma usuario@dominio"},
        {"jose..perez@correo.cl", "no tiene la forma usuario@dominio"},
        {"jose@correo..cl", "no tiene la forma usuario@dominio"},
        {"jose@-correo.cl", "no tiene la forma usuario@dominio"},
        {"jose@correo.c1", "no tiene la forma usuario@dominio"},
        {"", "está en blanco"},
    };
    for (const auto& [address, reason] : refused) EXPECT_EQ(mailAddressProblem(address), reason) << address;
}

TEST(MailAddress, ControlCharactersBecomeBlanksInTablesAndPdfText) {
    EXPECT_TRUE(hasControlChar(std::string("PEREZ\0X", 7)));
    EXPECT_FALSE(hasControlChar("PÉREZ O'HIGGINS"));
    EXPECT_EQ(blankControls(std::string("A\0B\r\nC", 6)), "A B  C");
    EXPECT_EQ(utf8ToCp1252(std::string("JOS\xC3\x89\0X\x7F", 8)), std::string("JOS\xC9 X ", 7));
}
