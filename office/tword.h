#pragma once
// TWORD: the word processor that fills the contract and settlement documents from
// their templates. It is LibreOffice Writer, headless, driven through UNO: the
// session's own instance with a private profile (office/word_process.h), never the
// user's running office. The instance is started by the first New() and kept for the
// next documents; End() closes only the documents this object opened.
//
//   TWORD oWord = TWORD::New(ui);        // lWord false: no word processor (alert shown)
//   if (oWord.OpenDoc(path)) {
//       oWord.Replace("[NOMPER]", name);
//       oWord.Save(path);
//   }
//   oWord.End();

#include <memory>
#include <string>
#include <string_view>

#include "core/ui_port.h"

namespace remu {

class TWORD {
public:
    // Reaches the session's word processor, starting it when needed. Without one: the
    // alert "ERROR! Word no está instaldo en esta PC." and lWord false.
    static TWORD New(UiPort& ui);

    TWORD(TWORD&&) noexcept;
    TWORD& operator=(TWORD&&) noexcept;
    ~TWORD();  // End()

    // Opens the document at path (hidden, macros never run, links not updated); false
    // when the file does not exist or cannot be opened.
    bool OpenDoc(const std::string& path);

    // Replaces every occurrence of marker in the document's main text (body and its
    // tables; headers, footers, notes and frames are left alone) without regard to
    // letter case. One pass: every occurrence is found before any is replaced, so a
    // text that contains its own marker is not searched again. A marker split across
    // formatting runs is found all the same; the text around it keeps its formatting.
    // Returns how many occurrences were replaced.
    int Replace(std::string_view marker, std::string_view text);

    // Saves the document under path (cNombreDoc when empty), in the format it was
    // opened in. False when it could not be written.
    bool Save(const std::string& path = {});

    // Closes the documents this object opened, without saving. The word processor stays
    // for the next documents of the session.
    void End();

    std::string cNombreDoc;  // path of the opened document
    bool lWord = false;      // a word processor could be reached

private:
    explicit TWORD(UiPort& ui);
    struct Uno;
    std::unique_ptr<Uno> d;
    UiPort* ui_;
};

// The alert of New() when no word processor can be started.
inline constexpr const char* kWordMissing = "ERROR! Word no está instaldo en esta PC.";

// Converts a document with the session's word processor; the format follows the
// extension of `to` (.doc, .docx, .odt, .pdf, .txt as UTF-8 text, .html). False when the
// word processor is missing or the conversion failed.
bool convertDocument(const std::string& from, const std::string& to);

// Ends the session's word processor now (it also ends with the program).
void endWordProcessor();

// Seconds the last start of the word processor took (0 before any start).
double wordProcessorStartSeconds();

}  // namespace remu
