#pragma once

// A report writer over figures and ledger lines made for each case, writing through the
// platform double.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "report/ReportWriter.h"
#include "tests/doubles/FakePlatform.h"

class ReportFixture : public ::testing::Test {
protected:
    // A figure with its balances in ten-thousandths; its movement is closing - opening.
    AccountFigure& AddFigure(std::uint32_t nature, const char* name, std::int64_t opening,
                             std::int64_t closing, std::int16_t exclusion = 0,
                             const char* label = "", std::int32_t code = 10000) {
        auto figure = std::make_unique<AccountFigure>();
        figure->code = code;
        std::strncpy(figure->name, name, 30);
        std::strncpy(figure->label, label, 30);
        figure->opening = opening;
        figure->closing = closing;
        figure->movement = closing - opening;
        figure->nature = nature;
        figure->exclusion = exclusion;
        figures.push_back(std::move(figure));
        return *figures.back();
    }
    // What the writer wrote to `path`, once it is closed.
    std::string WrittenTo(const char* path) {
        writer.Close();
        return fake.files[path];
    }

    FakePlatform fake;
    ProgressDialog progress{fake, fake};
    ExportProgress plan{progress};
    AccountFigureList figures;
    LedgerLineList ledger;
    ReportWriter report{fake.platform, kEditionKcsakura.Names(), plan, figures, ledger};
    XmlWriter writer;
};
