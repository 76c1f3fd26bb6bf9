#pragma once
// The small text routines the whole program shares: zero filling of codes and
// RUTs, the RUT check digit and its display with dots, month names and amounts
// in words. Only RUT_FF talks to the user.

#include <string>
#include <string_view>

#include "core/ui_port.h"

namespace remu {

// Right-aligns a code typed short and fills it with zeros to its width
// ("12  " -> "0012", "12345678-5 " -> "012345678-5"). Left alone when the
// number it starts with is not above 0 (blank, zeros, starts with a letter).
void ZEROS_FF(std::string& text);

// Modulo 11 check digit ("K" for 10, "0" for 11) of the number part of a RUT.
char rutCheckDigit(std::string_view number);

// True when the RUT ("12345678-5", no dots) carries the right check digit;
// otherwise tells the user why and returns false.
bool RUT_FF(std::string_view rut, UiPort& ui);

// Display forms of a stored, zero-filled RUT.
std::string XXRUT_FF(std::string_view rut);
std::string RUT_CON_PUNTOS_FF(std::string_view rut);

// " ENERO" .. " DICIEMBRE"; an empty text for a month outside 1..12 (core/period.h's
// monthName; monthChoice gives the month lists' " 01- ENERO").
std::string NOMES_FF(int month);

// An amount of whole pesos 0 .. 999,999,999 in Spanish words, upper case,
// usually ending with one blank ("VEINTE Y UN "). 0 and amounts outside that
// range give an empty text.
std::string MONTO_FF(long long amount);

}  // namespace remu
