#include "vdcommon/database/MasterDatabase.h"

#include "database/SqliteConnection.h"

#include <mutex>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

namespace {

struct MasterState {
    std::mutex mutex;
    std::optional<vddb::SqliteConnection> connection;
};

MasterState& State()
{
    static MasterState state;
    return state;
}

constexpr const char* kFormulaQuery = "SELECT name, expression, lower_bound, upper_bound, reference_temperature,"
                                      " clamp_lower, clamp_upper, a0, a1, a2, a3, a4, a5, a6, a7, a8, a9"
                                      " FROM bed_expansion_formulas WHERE name = ?1";

constexpr const char* kLocaleQuery = "SELECT code, active, description, sort_order FROM locales"
                                     " WHERE code LIKE ?1 ORDER BY sort_order, rowid";

} // namespace

void MasterDatabase::Open(const std::string& path)
{
    vddb::SqliteConnection connection(path, vddb::SqliteConnection::Mode::ReadOnly, "master database");
    try {
        // Reading the header is the first access to the file: a file that is
        // not an SQLite database fails here.
        const auto applicationId = connection.PragmaInteger("application_id");
        const auto version = connection.PragmaInteger("user_version");
        connection.CheckSchema(applicationId, version, ApplicationId, SchemaVersion, {kFormulaQuery, kLocaleQuery});
    } catch (const std::runtime_error& e) {
        connection.FailToOpen(e.what());
    }

    MasterState& state = State();
    std::lock_guard lock(state.mutex);
    state.connection = std::move(connection);
}

void MasterDatabase::Close()
{
    MasterState& state = State();
    std::lock_guard lock(state.mutex);
    state.connection.reset();
}

bool MasterDatabase::IsOpen()
{
    MasterState& state = State();
    std::lock_guard lock(state.mutex);
    return state.connection.has_value();
}

std::string MasterDatabase::GetPath()
{
    MasterState& state = State();
    std::lock_guard lock(state.mutex);
    return state.connection ? state.connection->GetPath() : std::string();
}

std::expected<DBObjects::MathExpressionFormula, std::string>
MasterDatabase::GetBedExpansionFormula(const std::string& key)
{
    MasterState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.connection)
        return std::unexpected(std::string("No master database is open"));
    try {
        auto statement = state.connection->Prepare(kFormulaQuery);
        statement.Bind(1, key);
        if (!statement.Step())
            return std::unexpected(fmt::format("No bed expansion formula for '{}'", key));
        DBObjects::MathExpressionFormula formula;
        formula.name = statement.GetText(0);
        formula.expression = statement.GetText(1);
        formula.lowerBound = statement.GetDouble(2);
        formula.upperBound = statement.GetDouble(3);
        formula.referenceTemperature = statement.GetDouble(4);
        formula.clampLower = statement.GetInteger(5) != 0;
        formula.clampUpper = statement.GetInteger(6) != 0;
        for (int i = 0; i < 10; ++i)
            formula.coefficients[static_cast<std::size_t>(i)] = statement.GetDouble(7 + i);
        return formula;
    } catch (const std::exception& e) {
        return std::unexpected(fmt::format("Reading the bed expansion formula '{}' failed: {}", key, e.what()));
    }
}

std::vector<DBObjects::Locale> MasterDatabase::GetLocales(const std::string& pattern)
{
    MasterState& state = State();
    std::lock_guard lock(state.mutex);
    std::vector<DBObjects::Locale> locales;
    if (!state.connection)
        return locales;
    try {
        auto statement = state.connection->Prepare(kLocaleQuery);
        statement.Bind(1, pattern);
        while (statement.Step()) {
            DBObjects::Locale locale;
            locale.code = statement.GetText(0);
            locale.active = statement.GetText(1);
            locale.description = statement.GetText(2);
            locale.sortOrder = static_cast<int>(statement.GetInteger(3));
            locales.push_back(std::move(locale));
        }
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(fmt::format("Reading the locales of master database '{}' failed: {}",
                                             state.connection->GetPath(), e.what()));
    }
    return locales;
}
