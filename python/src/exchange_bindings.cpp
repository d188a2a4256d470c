#include "exchange_bindings.h"

#include "call_answers.h"
#include "errors.h"
#include "format_names.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <toolbox/exchange/dao.h>
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/exchange/text_symbols.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace tb_python {
namespace {

using OptionalText = std::optional<std::string>;

// Texts of the library are 8-bit; names from files that are not UTF-8 still arrive.
py::str Text(const CString& text) {
    PyObject* decoded = PyUnicode_DecodeUTF8(text.GetString(), text.GetLength(), "replace");
    if (!decoded) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(decoded);
}

CString Bytes(const std::string& text) { return CString(text.c_str()); }

bool HasExtension(const std::string& path, const char* ext) {
    const std::size_t n = std::char_traits<char>::length(ext);
    if (path.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != ext[i]) return false;
    return true;
}

std::vector<std::string> WarningsOf(const CReadAndWriteFiles& files, const CallAnswers& answers) {
    std::vector<std::string> warnings = SplitWarnings(files.GetLastWarn().GetString());
    warnings.insert(warnings.end(), answers.messages.begin(), answers.messages.end());
    return warnings;
}

[[noreturn]] void Fail(const CReadAndWriteFiles& files, const CallAnswers& answers, const std::string& path) {
    std::string message = files.GetLastError().GetString();
    int errorClass = files.GetLastErrorNumber();
    if (!answers.refused.empty()) {
        message = "the library asked for an answer the call did not give (" + answers.refused.front() +
                  "); pass it as an argument" + (message.empty() ? "" : ": " + message);
        if (errorClass == TB_EXCHANGE_NO_ERROR) errorClass = TB_EXCHANGE_CANCELLED;
    }
    if (message.empty()) message = TBFormatMessage(TBMsg::CannotOpenFile, {Bytes(path)}).GetString();
    throw ToolboxFailure(message, errorClass, WarningsOf(files, answers));
}

// ReadInfoFile the way a host without a user does it: the symbols of delimited text
// come from the arguments or from the file's first lines, a workbook or database
// without a table name gives its first table.
int ReadInfo(CReadAndWriteFiles& files, const std::string& path, const OptionalText& table,
             const OptionalText& separator, const OptionalText& decimal, CallAnswers& answers) {
    ScopedCallAnswers scope(answers);
    const CString name = Bytes(path);
    if (IsReadAsText(path)) {
        TBTextSymbols symbols = TBDetectTextSymbols(name);
        if (separator && !separator->empty()) symbols.separator = Bytes(*separator);
        if (decimal && !decimal->empty()) symbols.decimal = Bytes(*decimal);
        return files.ReadInfoFile(name, "", -1, symbols.separator, symbols.decimal, 0, 0, 2);
    }
    if (HoldsTables(path) && (!table || table->empty())) {
        answers.answerFirstTable = true;
        return files.ReadInfoFile(name, "", -1, nullptr, nullptr, 1, 0, 2);
    }
    return files.ReadInfoFile(name, table ? Bytes(*table) : CString(), -1, nullptr, nullptr, 0, 0, 2);
}

// Which channels of a workbook sheet or database table hold text, from its field types.
std::vector<bool> TextFieldsOf(const CReadAndWriteFiles& files, int count) {
    std::vector<bool> text(static_cast<std::size_t>(count), false);
    CDaoDatabase database;
    if (!database.Open(files.GetFileName(), FALSE, TRUE, files.GetConnectTitle())) return text;
    CDaoTableDef table(&database);
    if (!table.Open(files.GetTableName())) return text;
    const int fields = std::min<int>(count, table.GetFieldCount());
    for (int i = 0; i < fields; ++i) {
        CDaoFieldInfo info;
        if (table.GetFieldInfo(i, info))
            text[static_cast<std::size_t>(i)] = info.m_nType == dbText || info.m_nType == dbMemo;
    }
    return text;
}

// The storage a read fills: a float64 array per numeric channel, which the reader
// writes straight into (its buffer is the channel's raw block), and a string array per
// text channel. Rows a file lacks stay 0, as in every other host of the engine.
struct ReadStorage {
    std::vector<py::object> values;
    std::vector<std::unique_ptr<CStringArray>> texts;
};

ReadStorage AttachStorage(CReadAndWriteFiles& files, const std::vector<bool>& textChannels) {
    ReadStorage storage;
    const int count = files.GetNrChannels();
    const py::ssize_t items = std::max(0, files.GetNrItems());
    py::module_ numpy = py::module_::import("numpy");
    for (int i = 0; i < count; ++i) {
        CExImPortChannel* channel = files.GetChannel(i);
        const bool text = textChannels[static_cast<std::size_t>(i)];
        storage.texts.emplace_back(text ? new CStringArray : nullptr);
        // numpy.zeros takes pages zeroed by the system: untouched rows cost nothing.
        py::array_t<double> block = numpy.attr("zeros")(items, "float64");
        if (channel && text) channel->SetStringArray(storage.texts.back().get());
        // The channel is fresh from ReadInfoFile and holds no raw block that
        // SetDoublePtr would free; the engine never frees the one attached here.
        else if (channel)
            channel->SetDoublePtr(block.mutable_data());
        storage.values.push_back(block);
    }
    return storage;
}

py::object TextValues(const CStringArray& texts, py::ssize_t items) {
    py::array values(py::dtype("O"), std::vector<py::ssize_t>{items});
    auto* cells = static_cast<PyObject**>(values.mutable_data());
    for (py::ssize_t r = 0; r < items; ++r) {
        py::str cell = r < texts.GetSize() ? Text(texts.GetAt(static_cast<int>(r))) : py::str("");
        Py_XDECREF(cells[r]);
        cells[r] = cell.release().ptr();
    }
    return std::move(values);
}

py::dict Describe(const CReadAndWriteFiles& files, const CallAnswers& answers) {
    const FormatDescription format = DescribeFormat(files);
    py::dict record;
    record["format"] = format.format;
    record["family"] = format.family;
    record["family_code"] = format.familyCode;
    record["format_code"] = format.formatCode;
    record["items"] = files.GetNrItems();
    record["table"] = Text(files.GetTableName());
    record["separator"] =
        format.familyCode == 4 || format.familyCode == 5 ? py::object(Text(files.GetSeperator())) : py::none();
    record["decimal"] =
        format.familyCode == 4 || format.familyCode == 5 ? py::object(Text(files.GetDecimal())) : py::none();
    record["warnings"] = WarningsOf(files, answers);
    return record;
}

py::list ChannelHeaders(const CReadAndWriteFiles& files) {
    py::list channels;
    for (int i = 0; i < files.GetNrChannels(); ++i) {
        const CExImPortChannel* channel = files.GetChannel(i);
        py::dict c;
        c["name"] = channel ? Text(channel->GetChannelName()) : py::str("");
        c["unit"] = channel ? Text(channel->GetUnitName()) : py::str("");
        channels.append(c);
    }
    return channels;
}

py::dict ReadFile(const std::string& path, const OptionalText& table, const OptionalText& separator,
                  const OptionalText& decimal, bool withValues) {
    CReadAndWriteFiles files;
    CallAnswers answers;
    int result;
    {
        py::gil_scoped_release unlocked;
        result = ReadInfo(files, path, table, separator, decimal, answers);
    }
    if (result == 0) Fail(files, answers, path);
    py::list channels = ChannelHeaders(files);
    if (withValues && files.GetNrChannels() > 0) {
        std::vector<bool> textChannels(static_cast<std::size_t>(files.GetNrChannels()), false);
        if (HoldsTables(path)) {
            py::gil_scoped_release unlocked;
            textChannels = TextFieldsOf(files, files.GetNrChannels());
        }
        ReadStorage storage = AttachStorage(files, textChannels);
        if (files.GetNrItems() > 0) {
            py::gil_scoped_release unlocked;
            ScopedCallAnswers scope(answers);
            result = files.ReadDataFile();
        }
        if (result == 0) Fail(files, answers, path);
        const py::ssize_t items = std::max(0, files.GetNrItems());
        for (int i = 0; i < files.GetNrChannels(); ++i) {
            const CStringArray* texts = storage.texts[static_cast<std::size_t>(i)].get();
            channels[static_cast<std::size_t>(i)]["values"] =
                texts ? TextValues(*texts, items) : storage.values[static_cast<std::size_t>(i)];
        }
    }
    py::dict record = Describe(files, answers);
    record["channels"] = channels;
    return record;
}

// ---------------------------------------------------------------- writing

struct WriteChannel {
    std::string name;
    std::string unit;
    py::object values;  // a float64 array, or a sequence of texts
};

// Numbers go to the writer as a raw block over the array's own buffer; texts as
// variants, which every writer takes and which make a database field a text field.
using TextCells = CArray<COleVariant, COleVariant>;

void InsertWriteChannel(CReadAndWriteFiles& files, int index, const WriteChannel& c,
                        std::vector<py::array_t<double>>& numbers, std::vector<std::unique_ptr<TextCells>>& texts) {
    const bool numeric = py::isinstance<py::array>(c.values) && py::array(c.values).dtype().kind() != 'O' &&
                         py::array(c.values).dtype().kind() != 'U';
    if (numeric) {
        numbers.push_back(py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(c.values));
        files.InsertChannel(index, numbers.back().mutable_data(), Bytes(c.name), Bytes(c.unit));
        return;
    }
    texts.emplace_back(new TextCells);
    for (py::handle cell : c.values) texts.back()->Add(COleVariant(Bytes(py::str(cell))));
    files.InsertChannel(index, texts.back().get(), Bytes(c.name), Bytes(c.unit));
}

py::dict WriteFile(const std::string& path, const std::vector<WriteChannel>& channels, std::optional<int> format,
                   const OptionalText& separator, const OptionalText& decimal, const OptionalText& table) {
    if (channels.empty()) throw py::value_error("write needs at least one channel");
    const auto items = static_cast<py::ssize_t>(py::len(channels.front().values));
    for (const WriteChannel& c : channels)
        if (static_cast<py::ssize_t>(py::len(c.values)) != items)
            throw py::value_error("every channel needs the same number of values");
    if (items > std::numeric_limits<int>::max()) throw py::value_error("too many values for one file");
    CReadAndWriteFiles files;
    files.SetNrChannels(static_cast<int>(channels.size()));
    files.SetNrItems(static_cast<int>(items));
    std::vector<py::array_t<double>> numbers;
    std::vector<std::unique_ptr<TextCells>> texts;
    numbers.reserve(channels.size());
    for (std::size_t i = 0; i < channels.size(); ++i)
        InsertWriteChannel(files, static_cast<int>(i), channels[i], numbers, texts);
    // A workbook is written as Excel 97 unless a format code asks for an older one.
    const int formatCode = format ? *format : HasExtension(path, ".xls") ? 9 : -1;
    const bool haveSymbols = separator && decimal;
    CReadAndWriteFileFunction& engine = *files.GetEngine();
    if (separator) engine.Separator = Bytes(*separator);  // a .csv file is written with these
    if (decimal) engine.Decimal = Bytes(*decimal);
    CallAnswers answers;
    int result;
    {
        py::gil_scoped_release unlocked;
        ScopedCallAnswers scope(answers);
        result =
            files.WriteFile(Bytes(path), table ? Bytes(*table) : CString(), formatCode,
                            haveSymbols ? separator->c_str() : nullptr, haveSymbols ? decimal->c_str() : nullptr, 0, 0);
    }
    if (result == 0) Fail(files, answers, path);
    py::dict written = Describe(files, answers);
    written["path"] = Text(files.GetFileName());
    return written;
}

// ---------------------------------------------------------------- tables

py::list ListTables(const std::string& path) {
    CDaoDatabase database;
    std::vector<CString> names;
    {
        py::gil_scoped_release unlocked;
        if (database.Open(path.c_str(), FALSE, TRUE, "")) {
            for (int i = 0; i < database.GetTableDefCount(); ++i) {
                CDaoTableDefInfo info;
                if (!database.GetTableDefInfo(i, info) || (info.m_lAttributes & dbSystemObject) == dbSystemObject)
                    continue;
                CString name = info.m_strName;
                if (HasExtension(path, ".xls") && name.Right(1) == "$") name = name.Left(name.GetLength() - 1);
                names.push_back(name);
            }
        }
    }
    if (!database.IsOpen()) {
        const std::string reason = database.GetLastErrorText().GetString();
        throw ToolboxFailure(TBFormatMessage(TBMsg::CannotOpenFile, {Bytes(path)}).GetString(),
                             TB_EXCHANGE_DATABASE_ERROR,
                             reason.empty() ? std::vector<std::string>() : std::vector<std::string>{reason});
    }
    py::list list;
    for (const CString& name : names) list.append(Text(name));
    return list;
}

}  // namespace

void BindExchange(py::module_& m) {
    py::class_<WriteChannel>(m, "_WriteChannel")
        .def(py::init([](std::string name, std::string unit, py::object values) {
            return WriteChannel{std::move(name), std::move(unit), std::move(values)};
        }));
    m.def("_read", &ReadFile, py::arg("path"), py::arg("table"), py::arg("separator"), py::arg("decimal"),
          py::arg("with_values"));
    m.def("_write", &WriteFile, py::arg("path"), py::arg("channels"), py::arg("format"), py::arg("separator"),
          py::arg("decimal"), py::arg("table"));
    m.def("_tables", &ListTables, py::arg("path"));
}

}  // namespace tb_python
