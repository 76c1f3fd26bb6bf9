#include "office/tword.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XSearchDescriptor.hpp>
#include <com/sun/star/util/XSearchable.hpp>

#include "office/word_process.h"

namespace remu {

namespace fs = std::filesystem;
using namespace com::sun::star;
using office::fileUrl;
using office::ou;
using office::utf8;

namespace {

beans::PropertyValue prop(const char* name, const uno::Any& value) {
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

uno::Sequence<beans::PropertyValue> sequence(const std::vector<beans::PropertyValue>& v) {
    return uno::Sequence<beans::PropertyValue>(v.data(), static_cast<sal_Int32>(v.size()));
}

std::string lowerExtension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The export filter of a format, by the file's extension.
std::vector<beans::PropertyValue> exportFilter(const std::string& path) {
    const std::string ext = lowerExtension(path);
    auto filter = [](const char* name) { return prop("FilterName", uno::Any(rtl::OUString::createFromAscii(name))); };
    if (ext == ".doc") return {filter("MS Word 97")};
    if (ext == ".docx") return {filter("MS Word 2007 XML")};
    if (ext == ".odt") return {filter("writer8")};
    if (ext == ".pdf") return {filter("writer_pdf_Export")};
    if (ext == ".html" || ext == ".htm") return {filter("HTML (StarWriter)")};
    if (ext == ".rtf") return {filter("Rich Text Format")};
    if (ext == ".txt") return {filter("Text (encoded)"), prop("FilterOptions", uno::Any(ou("UTF8,LF")))};
    return {};
}

// Loading arguments of every document: never shown, no macro runs (0 = NEVER_EXECUTE),
// no linked content is fetched (0 = NO_UPDATE).
std::vector<beans::PropertyValue> loadArguments(bool readOnly) {
    return {prop("Hidden", uno::Any(true)), prop("MacroExecutionMode", uno::Any(sal_Int16(0))),
            prop("UpdateDocMode", uno::Any(sal_Int16(0))), prop("ReadOnly", uno::Any(readOnly))};
}

void closeDocument(const uno::Reference<lang::XComponent>& doc) {
    try {
        uno::Reference<util::XCloseable> closeable(doc, uno::UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else if (doc.is())
            doc->dispose();
    } catch (const uno::Exception&) {
        // Already gone (the office ended, or the document vetoed and was handed over).
    }
}

// The object's identity across the bridge: its XInterface.
template <class T>
uno::Reference<uno::XInterface> identity(const uno::Reference<T>& x) {
    return uno::Reference<uno::XInterface>(x, uno::UNO_QUERY);
}

}  // namespace

struct TWORD::Uno {
    uno::Reference<frame::XDesktop2> oWord;
    std::vector<uno::Reference<lang::XComponent>> oDocs;  // the documents this object opened
    uno::Reference<lang::XComponent> oActiveDoc;
    uno::Reference<text::XTextDocument> oSelection;  // what Replace searches: the opened document
    uno::Reference<text::XText> body;                // its main text
    rtl::OUString filter;                            // the format it was opened in
    bool failed = false;                             // a change did not reach the document
    std::optional<std::vector<uno::Reference<uno::XInterface>>> mainTables;

    void collectTables(const uno::Reference<text::XText>& text, std::vector<uno::Reference<uno::XInterface>>& out) {
        uno::Reference<container::XEnumerationAccess> access(text, uno::UNO_QUERY);
        if (!access.is()) return;
        auto e = access->createEnumeration();
        while (e->hasMoreElements()) {
            uno::Reference<text::XTextTable> table(e->nextElement(), uno::UNO_QUERY);
            if (!table.is()) continue;
            out.push_back(identity(table));
            for (const auto& name : table->getCellNames())
                collectTables(uno::Reference<text::XText>(table->getCellByName(name), uno::UNO_QUERY), out);
        }
    }

    // The body, and the tables placed in it (at any depth), are the main text.
    bool inMainText(const uno::Reference<text::XTextRange>& range) {
        if (range->getText() == body) return true;
        uno::Reference<beans::XPropertySet> props(range, uno::UNO_QUERY);
        if (!props.is()) return false;
        uno::Reference<text::XTextTable> table;
        try {
            props->getPropertyValue("TextTable") >>= table;
        } catch (const uno::Exception&) {
            return false;  // not a place that can hold a table
        }
        if (!table.is()) return false;
        if (!mainTables) {
            mainTables.emplace();
            collectTables(body, *mainTables);
        }
        auto id = identity(table);
        return std::any_of(mainTables->begin(), mainTables->end(), [&](const auto& t) { return t == id; });
    }
};

TWORD::TWORD(UiPort& ui) : d(std::make_unique<Uno>()), ui_(&ui) {}
TWORD::TWORD(TWORD&&) noexcept = default;
TWORD& TWORD::operator=(TWORD&& other) noexcept {
    if (this != &other) {
        End();
        d = std::move(other.d);
        ui_ = other.ui_;
        cNombreDoc = std::move(other.cNombreDoc);
        lWord = other.lWord;
    }
    return *this;
}

TWORD::~TWORD() { End(); }

TWORD TWORD::New(UiPort& ui) {
    TWORD w(ui);
    w.lWord = true;
    std::string why;
    {
        BusyCursor wait(ui);
        w.d->oWord = office::desktop(why);
    }
    if (!w.d->oWord.is()) {
        ui.alert(kWordMissing);
        w.lWord = false;
    }
    return w;
}

bool TWORD::OpenDoc(const std::string& path) {
    cNombreDoc = path;
    d->oActiveDoc.clear();
    d->oSelection.clear();
    d->body.clear();
    d->mainTables.reset();
    d->failed = false;
    d->filter.clear();
    std::error_code ec;
    if (!lWord || !d->oWord.is() || !fs::is_regular_file(path, ec)) return false;
    try {
        auto component = d->oWord->loadComponentFromURL(fileUrl(path), "_blank", 0, sequence(loadArguments(false)));
        if (!component.is()) return false;
        d->oDocs.push_back(component);
        uno::Reference<text::XTextDocument> doc(component, uno::UNO_QUERY);
        if (!doc.is()) return false;  // opened, but not as a text document
        d->oActiveDoc = component;
        d->oSelection = doc;
        d->body = doc->getText();
        uno::Reference<frame::XModel> model(component, uno::UNO_QUERY);
        if (model.is())
            for (const auto& a : model->getArgs())
                if (a.Name == "FilterName") a.Value >>= d->filter;
        return true;
    } catch (const uno::Exception&) {
        return false;
    }
}

int TWORD::Replace(std::string_view marker, std::string_view text) {
    if (!d->oSelection.is() || marker.empty()) return 0;
    int replaced = 0;
    try {
        uno::Reference<util::XSearchable> searchable(d->oSelection, uno::UNO_QUERY_THROW);
        auto descriptor = searchable->createSearchDescriptor();
        descriptor->setSearchString(ou(marker));
        uno::Reference<beans::XPropertySet> options(descriptor, uno::UNO_QUERY_THROW);
        options->setPropertyValue("SearchCaseSensitive", uno::Any(false));
        options->setPropertyValue("SearchWords", uno::Any(false));
        options->setPropertyValue("SearchRegularExpression", uno::Any(false));
        options->setPropertyValue("SearchSimilarity", uno::Any(false));
        auto found = searchable->findAll(descriptor);
        if (!found.is()) return 0;
        const rtl::OUString value = ou(text);
        for (sal_Int32 i = 0, n = found->getCount(); i < n; ++i) {
            uno::Reference<text::XTextRange> range(found->getByIndex(i), uno::UNO_QUERY);
            if (!range.is() || !d->inMainText(range)) continue;
            range->setString(value);
            ++replaced;
        }
    } catch (const uno::Exception&) {
        d->failed = true;  // Save refuses a document that did not get all its values
    }
    return replaced;
}

bool TWORD::Save(const std::string& path) {
    if (!d->oActiveDoc.is() || d->failed) return false;
    const std::string target = path.empty() ? cNombreDoc : path;
    uno::Reference<frame::XStorable> storable(d->oActiveDoc, uno::UNO_QUERY);
    if (!storable.is()) return false;
    // The format it came in; a format the office reads but cannot write falls back to
    // the one the extension names.
    std::vector<std::vector<beans::PropertyValue>> attempts;
    if (!d->filter.isEmpty()) attempts.push_back({prop("FilterName", uno::Any(d->filter))});
    if (auto byName = exportFilter(target); !byName.empty()) attempts.push_back(byName);
    if (attempts.empty()) attempts.push_back({});
    for (auto& args : attempts) {
        args.push_back(prop("Overwrite", uno::Any(true)));
        try {
            storable->storeAsURL(fileUrl(target), sequence(args));
            cNombreDoc = target;
            return true;
        } catch (const uno::Exception&) {
            // next attempt
        }
    }
    return false;
}

void TWORD::End() {
    if (!d) return;
    for (const auto& doc : d->oDocs) closeDocument(doc);
    d->oDocs.clear();
    d->oActiveDoc.clear();
    d->oSelection.clear();
    d->body.clear();
    d->mainTables.reset();
    d->oWord.clear();
}

bool convertDocument(const std::string& from, const std::string& to) {
    std::string why;
    auto desktop = office::desktop(why);
    std::error_code ec;
    if (!desktop.is() || !fs::is_regular_file(from, ec)) return false;
    uno::Reference<lang::XComponent> doc;
    bool ok = false;
    try {
        doc = desktop->loadComponentFromURL(fileUrl(from), "_blank", 0, sequence(loadArguments(true)));
        uno::Reference<frame::XStorable> storable(doc, uno::UNO_QUERY);
        auto args = exportFilter(to);
        if (storable.is() && !args.empty()) {
            args.push_back(prop("Overwrite", uno::Any(true)));
            storable->storeToURL(fileUrl(to), sequence(args));
            ok = true;
        }
    } catch (const uno::Exception&) {
        ok = false;
    }
    closeDocument(doc);
    return ok;
}

void endWordProcessor() { office::shutdown(); }

double wordProcessorStartSeconds() { return office::lastStartSeconds(); }

}  // namespace remu
