#include "SetupDialogTemplates.h"

#include <iterator>

namespace textpack {

namespace {

using K = ControlKind;
constexpr int S = kStaticId;
constexpr const char* kSupport = "For assistance, contact your Holdervane support representative.";

constexpr ControlTemplate kWelcome[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "Welcome to Holdervane Setup Program."},
    {K::Text, 103,
     "The Setup program installs Holdervane on your computer. To know about Holdervane Setup, choose Help or press "
     "F1."},
    {K::Text, 104,
     "In order to install Holdervane on your computer, choose Continue or press ENTER. Choose Exit or F3 for "
     "terminating the Holdervane Setup procedure."},
    {K::Button, 2, "E&xit"},
    {K::Button, 1, "&Continue", true},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kExitSetup[] = {
    {K::Icon, 201, ""},
    {K::Text, S, "The setup process is not complete.  If you exit now, Holdervane may not be installed correctly."},
    {K::Text, 104, "You may run the setup program again at a later time to complete the installation of Holdervane."},
    {K::Button, 1, "&Continue", true},
    {K::Button, 2, "E&xit"},
};

constexpr ControlTemplate kLocation[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "The setup program will copy Holdervane files into the following directory."},
    {K::Text, S, "Path:"},
    {K::Edit, 427, ""},
    {K::Text, S,
     "The setup program will backup any Holdervane files currently existing in the directory.  A new program group "
     "will also be added to the Program Manager."},
    {K::Button, 1, "&Continue", true},
    {K::Button, 2, "E&xit"},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kFailed[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "Setup has failed to install Holdervane successfully."},
    {K::Text, S, kSupport},
    {K::Button, 1, "OK", true},
};

constexpr ControlTemplate kCanceled[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "Holdervane has not been properly installed."},
    {K::Text, S, "You should run the setup program in its entirety at a later time to install Holdervane again."},
    {K::Text, 201, kSupport},
    {K::Button, 1, "OK", true},
};

constexpr ControlTemplate kOptions[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "Select the installation option you prefer."},
    {K::Radio, 451, "Install Option &1."},
    {K::Radio, 452, "Install Option &2."},
    {K::Text, S, "Remember: You can only select one or the other options."},
    {K::Button, 1, "&Continue"},
    {K::Button, 2, "E&xit"},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kHelpMessage[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "This setup program will install the Holdervane.  "},
    {K::Text, 101,
     "Select Continue to move through the setup process and install Holdervane onto your hard disk. Select Back to "
     "review or change responses. Select Exit to end the installation process."},
    {K::Button, 2, "&Continue", true},
};

constexpr ControlTemplate kSingleSelection[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "This is a custom dialog box template to select options to install."},
    {K::Text, S, "Select one:"},
    {K::ListSingle, 429, ""},
    {K::Text, S, "Use the Resource Editor to modify this template for your application."},
    {K::Button, 1, "&Continue", true},
    {K::Button, 9, "&Back"},
    {K::Button, 2, "E&xit"},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kChooseOptions[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "Chose the options listed below which you would like to install."},
    {K::Check, 451, "Installation Option &1"},
    {K::Check, 452, "Installation Option &2"},
    {K::Check, 453, "Installation Option &3"},
    {K::Text, S,
     "Once you have selected the options you wish to install, select the OK button to complete the installation."},
    {K::Button, 1, "&Continue", true},
    {K::Button, 9, "&Back"},
    {K::Button, 2, "E&xit"},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kCustomSelection[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "This is a custom dialog box to allow selection of selectable elements to install."},
    {K::Text, S, "Select the items you want:"},
    {K::ListExtended, 429, ""},
    {K::Text, S, "Use the Resource Editor to modify this template for your application."},
    {K::Button, 1, "&Continue", true},
    {K::Button, 2, "E&xit"},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kModeless[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "This is a sample custom modeless dialog box template."},
    {K::Text, 1001, "Use the Resource Editor to modify this template for your application."},
    {K::Button, 1, "OK"},
};

constexpr ControlTemplate kCustomInstallation[] = {
    {K::Icon, 202, ""},
    {K::Text, S, "This custom dialog box template allows selection of elements to install."},
    {K::Text, S, "Select the items you want:"},
    {K::ListMultiple, 429, ""},
    {K::Button, 419, "&All"},
    {K::Button, 12, "&None"},
    {K::Text, S, "Use a resource editor to modify this template for your application."},
    {K::Button, 1, "&Continue", true},
    {K::Button, 9, "&Back"},
    {K::Button, 2, "E&xit"},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kInstallTo[] = {
    {K::Group, S, "Install to:", false, 2},
    {K::Text, 437, ""},
    {K::Button, 16, "Set &Location"},
    {K::Text, S, "Installation Drive:"},
    {K::Text, 431, ""},
    {K::Text, S, "Space Required:"},
    {K::Text, 432, ""},
    {K::Text, S, "Space Available:"},
    {K::Text, 434, ""},
    {K::Button, 1, "&Install"},
    {K::Button, 2, "E&xit"},
    {K::Button, 11, "&Help"},
};

constexpr ControlTemplate kNoSpace[] = {
    {K::Text, S, "You do not have enough disk space to install all of the files you have selected."},
    {K::Text, S, "Please remove some files from your set of selections or change your installation destination."},
    {K::Button, 1, "OK"},
};

constexpr ControlTemplate kInstallHelp[] = {
    {K::Text, 101,
     "Click on \"Set Location\" button to specify the drive and the directory where you want the Holdervane to be "
     "installed. "},
    {K::Button, 1, "OK"},
};

constexpr ControlTemplate kComplete[] = {
    {K::Text, 1003, "Holdervane Installation is complete. "},
    {K::Button, 1002, "Return to &Windows NT"},
};

#define HV_DIALOG(id, caption, modal, controls) {id, caption, modal, controls, std::size(controls)}

constexpr DialogTemplate kDialogs[] = {
    HV_DIALOG(10, "Welcome", true, kWelcome),
    HV_DIALOG(20, "Exit Setup", true, kExitSetup),
    HV_DIALOG(30, "Installation Location", true, kLocation),
    HV_DIALOG(40, "Setup Failed", true, kFailed),
    HV_DIALOG(60, "Setup Canceled", true, kCanceled),
    HV_DIALOG(80, "Installation Options", true, kOptions),
    HV_DIALOG(90, "Help Message", true, kHelpMessage),
    HV_DIALOG(110, "Sample Single Selection Dialog", true, kSingleSelection),
    HV_DIALOG(120, "Choose Installation Options", true, kChooseOptions),
    HV_DIALOG(130, "Custom Selection Dialog", true, kCustomSelection),
    HV_DIALOG(140, "", false, kModeless),
    HV_DIALOG(150, "Custom Installation", true, kCustomInstallation),
    HV_DIALOG(160, "Custom Installation", true, kInstallTo),
    HV_DIALOG(170, "Insufficient Disk Space", true, kNoSpace),
    HV_DIALOG(250, "Custom Installation Help", true, kInstallHelp),
    HV_DIALOG(1000, "Installation Complete", true, kComplete),
};

#undef HV_DIALOG

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& d : kDialogs)
        if (d.id == id) return &d;
    return nullptr;
}

const DialogTemplate* AllDialogTemplates(std::size_t* count) {
    *count = std::size(kDialogs);
    return kDialogs;
}

}  // namespace textpack
