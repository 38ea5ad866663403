<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Accessibility</name>
    <message>
        <source>%1, held by another host</source>
        <translation>%1, von einem anderen Rechner belegt</translation>
    </message>
</context>
<context>
    <name>tarcfg</name>
    <message>
        <source>%1 needs a file name</source>
        <translation>%1 braucht einen Dateinamen</translation>
    </message>
    <message>
        <source>unknown option: %1</source>
        <translation>unbekannte Option: %1</translation>
    </message>
    <message>
        <source>usage: tarcfg [--settings FILE] [--screenshot FILE]
  --settings FILE    settings file (default: $TARCFG_SETTINGS, else
                     tarcfg.ini in the XDG configuration directory)
  --screenshot FILE  save a picture of the main window after the scan
                     and quit
  --version          print the version
</source>
        <translation>Aufruf: tarcfg [--settings DATEI] [--screenshot DATEI]
  --settings DATEI   Einstellungsdatei (Standard: $TARCFG_SETTINGS, sonst
                     tarcfg.ini im XDG-Konfigurationsverzeichnis)
  --screenshot DATEI nach der Suche ein Bild des Hauptfensters speichern
                     und beenden
  --version          die Version ausgeben
</translation>
    </message>
    <message>
        <source>Qt&apos;s standard options (-platform, -style, -reverse, ...) are taken as well.</source>
        <translation>Die Standardoptionen von Qt (-platform, -style, -reverse, ...) werden ebenfalls angenommen.</translation>
    </message>
</context>
<context>
    <name>tarcfg::AboutDialog</name>
    <message>
        <source>About TARCFG</source>
        <translation>Über TARCFG</translation>
    </message>
    <message>
        <source>Configuration Software V%1</source>
        <translation>Konfigurationssoftware V%1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tarcfg::AccountingDialog</name>
    <message>
        <source>Accounting Data</source>
        <translation>Gebührendaten</translation>
    </message>
    <message>
        <source>Router:</source>
        <translation>Router:</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>&amp;Read and Reset</source>
        <translation>&amp;Lesen und zurücksetzen</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>&amp;Exportieren...</translation>
    </message>
    <message>
        <source>Reading the accounting data...</source>
        <translation>Die Gebührendaten werden gelesen...</translation>
    </message>
    <message>
        <source>Reading and resetting the accounting data...</source>
        <translation>Die Gebührendaten werden gelesen und zurückgesetzt...</translation>
    </message>
</context>
<context>
    <name>tarcfg::ChangePasswordDialog</name>
    <message>
        <source>Change Password</source>
        <translation>Passwort ändern</translation>
    </message>
    <message>
        <source>&amp;Configuration by this host, exclusively</source>
        <translation>&amp;Konfiguration nur durch diesen Rechner</translation>
    </message>
    <message>
        <source>Router:</source>
        <translation>Router:</translation>
    </message>
    <message>
        <source>&amp;New Password:</source>
        <translation>&amp;Neues Passwort:</translation>
    </message>
    <message>
        <source>Confirm &amp;Password:</source>
        <translation>Passwort &amp;bestätigen:</translation>
    </message>
</context>
<context>
    <name>tarcfg::ComparisonDialog</name>
    <message>
        <source>Router parameters</source>
        <translation>Routerparameter</translation>
    </message>
    <message>
        <source>Line target %1</source>
        <translation>Gegenstelle %1</translation>
    </message>
    <message>
        <source>Route %1</source>
        <translation>Route %1</translation>
    </message>
    <message>
        <source>Filter %1</source>
        <translation>Filter %1</translation>
    </message>
    <message>
        <source>Compare Configurations</source>
        <translation>Konfigurationen vergleichen</translation>
    </message>
    <message>
        <source>The two configurations hold the same entries.</source>
        <translation>Die beiden Konfigurationen enthalten dieselben Einträge.</translation>
    </message>
    <message numerus="yes">
        <source>%n entries differ.</source>
        <translation>
            <numerusform>%n Eintrag unterscheidet sich.</numerusform>
            <numerusform>%n Einträge unterscheiden sich.</numerusform>
        </translation>
    </message>
    <message>
        <source>Compared entries</source>
        <translation>Verglichene Einträge</translation>
    </message>
    <message>
        <source>Entry</source>
        <translation>Eintrag</translation>
    </message>
</context>
<context>
    <name>tarcfg::ComparisonFields</name>
    <message>
        <source>name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>net mask</source>
        <translation>Netzmaske</translation>
    </message>
    <message>
        <source>phone number</source>
        <translation>Rufnummer</translation>
    </message>
    <message>
        <source>firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>permanent connection</source>
        <translation>Festverbindung</translation>
    </message>
    <message>
        <source>host name</source>
        <translation>Hostname</translation>
    </message>
    <message>
        <source>layer 2 protocol</source>
        <translation>Protokoll Schicht 2</translation>
    </message>
    <message>
        <source>layer 3 protocol</source>
        <translation>Protokoll Schicht 3</translation>
    </message>
    <message>
        <source>remote identification</source>
        <translation>Kennung der Gegenstelle</translation>
    </message>
    <message>
        <source>local identification</source>
        <translation>Eigene Kennung</translation>
    </message>
    <message>
        <source>timeout</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>manual only</source>
        <translation>Manueller Verbindungsaufbau</translation>
    </message>
    <message>
        <source>channel bundling</source>
        <translation>B-Kanal-Bündelung</translation>
    </message>
    <message>
        <source>compression</source>
        <translation>Komprimierung</translation>
    </message>
    <message>
        <source>destination</source>
        <translation>Vergleichswert</translation>
    </message>
    <message>
        <source>gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>send net mask</source>
        <translation>Maske des sendenden Rechners</translation>
    </message>
    <message>
        <source>send address</source>
        <translation>Adresse des sendenden Rechners</translation>
    </message>
    <message>
        <source>receive net mask</source>
        <translation>Maske des empfangenden Rechners</translation>
    </message>
    <message>
        <source>receive address</source>
        <translation>Adresse des empfangenden Rechners</translation>
    </message>
    <message>
        <source>service</source>
        <translation>Dienst</translation>
    </message>
    <message>
        <source>action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>accept</source>
        <translation>annehmen</translation>
    </message>
    <message>
        <source>reject</source>
        <translation>verwerfen</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
</context>
<context>
    <name>tarcfg::DialogButtons</name>
    <message>
        <source>Router:</source>
        <translation>Router:</translation>
    </message>
</context>
<context>
    <name>tarcfg::EditFilterDialog</name>
    <message>
        <source>Edit Filter</source>
        <translation>Filter bearbeiten</translation>
    </message>
    <message>
        <source>Mask:</source>
        <translation>Maske:</translation>
    </message>
    <message>
        <source>Compare Value:</source>
        <translation>Vergleichswert:</translation>
    </message>
    <message>
        <source>&amp;Sending Host</source>
        <translation>&amp;Sendender Rechner</translation>
    </message>
    <message>
        <source>&amp;Receiving Host</source>
        <translation>&amp;Empfangender Rechner</translation>
    </message>
    <message>
        <source>&amp;Target Port:</source>
        <translation>&amp;Zielport:</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
    <message>
        <source>&amp;Accept</source>
        <translation>&amp;Annehmen</translation>
    </message>
    <message>
        <source>Re&amp;ject</source>
        <translation>&amp;Verwerfen</translation>
    </message>
    <message>
        <source>Table &amp;Position:</source>
        <translation>&amp;Tabellenposition:</translation>
    </message>
</context>
<context>
    <name>tarcfg::EditRouteDialog</name>
    <message>
        <source>Edit Route</source>
        <translation>Route bearbeiten</translation>
    </message>
    <message>
        <source>Router:</source>
        <translation>Router:</translation>
    </message>
    <message>
        <source>&amp;Mask:</source>
        <translation>&amp;Maske:</translation>
    </message>
    <message>
        <source>&amp;Compare Value:</source>
        <translation>&amp;Vergleichswert:</translation>
    </message>
    <message>
        <source>&amp;Gateway:</source>
        <translation>&amp;Gateway:</translation>
    </message>
    <message>
        <source>Table &amp;Position:</source>
        <translation>&amp;Tabellenposition:</translation>
    </message>
</context>
<context>
    <name>tarcfg::FilterTableDialog</name>
    <message>
        <source>Filter Table</source>
        <translation>Filtertabelle</translation>
    </message>
    <message>
        <source>All Remaining</source>
        <translation>Alle übrigen</translation>
    </message>
    <message>
        <source>A&amp;ccept</source>
        <translation>A&amp;nnehmen</translation>
    </message>
    <message>
        <source>Re&amp;ject</source>
        <translation>&amp;Verwerfen</translation>
    </message>
    <message>
        <source>&amp;Position</source>
        <translation>&amp;Position</translation>
    </message>
    <message>
        <source>Sending Host</source>
        <translation>Absender</translation>
    </message>
    <message>
        <source>Receiving Host</source>
        <translation>Empfänger</translation>
    </message>
    <message>
        <source>Service</source>
        <translation>Dienst</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
</context>
<context>
    <name>tarcfg::HelpWindow</name>
    <message>
        <source>Tarnex Router - Help</source>
        <translation>Tarnex Router – Hilfe</translation>
    </message>
</context>
<context>
    <name>tarcfg::HistoryWindow</name>
    <message>
        <source>Configuration History</source>
        <translation>Konfigurationsverlauf</translation>
    </message>
    <message>
        <source>&amp;Versions kept:</source>
        <translation>&amp;Aufbewahrte Versionen:</translation>
    </message>
    <message>
        <source>Versions kept</source>
        <translation>Aufbewahrte Versionen</translation>
    </message>
    <message>
        <source>Kept (UTC)</source>
        <translation>Aufbewahrt (UTC)</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>Vorgang</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Gesendet</translation>
    </message>
    <message>
        <source>&amp;Compare...</source>
        <translation>&amp;Vergleichen...</translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Kept before: %1</source>
        <translation>Aufbewahrt vor: %1</translation>
    </message>
    <message>
        <source>Router (as last read or written)</source>
        <translation>Router (zuletzt gelesen oder geschrieben)</translation>
    </message>
</context>
<context>
    <name>tarcfg::LineStatusDialog</name>
    <message>
        <source>Line Status - Router %1</source>
        <translation>Leitungsstatus – Router %1</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Channel %1</source>
        <translation>Kanal %1</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Phone:</source>
        <translation>Rufnummer:</translation>
    </message>
    <message>
        <source>IP-Address:</source>
        <translation>IP-Adresse:</translation>
    </message>
    <message>
        <source>Duration:</source>
        <translation>Dauer:</translation>
    </message>
    <message>
        <source>s</source>
        <extracomment>Unit after the duration: seconds.</extracomment>
        <translation>s</translation>
    </message>
    <message>
        <source>Charge:</source>
        <translation>Gebühren:</translation>
    </message>
    <message>
        <source>Packets:</source>
        <translation>Pakete:</translation>
    </message>
    <message>
        <source>Incoming:</source>
        <translation>Ankommend:</translation>
    </message>
    <message>
        <source>Outgoing:</source>
        <translation>Abgehend:</translation>
    </message>
    <message>
        <source>Compression:</source>
        <translation>Komprimierung:</translation>
    </message>
    <message>
        <source>Disconnect &amp;%1</source>
        <translation>Trennen &amp;%1</translation>
    </message>
</context>
<context>
    <name>tarcfg::LineTargetsDialog</name>
    <message>
        <source>&amp;Position</source>
        <translation>&amp;Position</translation>
    </message>
    <message>
        <source>Host Name</source>
        <translation>Hostname</translation>
    </message>
    <message>
        <source>(none)</source>
        <extracomment>Router name of Line Targets while it edits a file without a router.</extracomment>
        <translation>(keiner)</translation>
    </message>
    <message>
        <source>Line Targets</source>
        <translation>Gegenstellen</translation>
    </message>
    <message>
        <source>Line Targets - %1</source>
        <translation>Gegenstellen – %1</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>Ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>&amp;History...</source>
        <translation>&amp;Verlauf...</translation>
    </message>
    <message>
        <source>Telephone Number</source>
        <translation>Rufnummer</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Filter &amp;Table</source>
        <translation>Filter&amp;tabelle</translation>
    </message>
    <message>
        <source>&amp;Routing Table</source>
        <translation>&amp;Routing-Tabelle</translation>
    </message>
    <message>
        <source>Show &amp;Changes...</source>
        <translation>Änderungen &amp;anzeigen...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Line target %1: written</source>
        <translation>Gegenstelle %1: geschrieben</translation>
    </message>
    <message>
        <source>Line target %1: deleted</source>
        <translation>Gegenstelle %1: gelöscht</translation>
    </message>
    <message>
        <source>PPP identifications will be cleared</source>
        <translation>PPP-Kennungen werden gelöscht</translation>
    </message>
    <message>
        <source>Route %1: written</source>
        <translation>Route %1: geschrieben</translation>
    </message>
    <message>
        <source>Route %1: deleted</source>
        <translation>Route %1: gelöscht</translation>
    </message>
    <message>
        <source>Filter %1: written</source>
        <translation>Filter %1: geschrieben</translation>
    </message>
    <message>
        <source>Filter %1: deleted</source>
        <translation>Filter %1: gelöscht</translation>
    </message>
    <message>
        <source>Changes</source>
        <translation>Änderungen</translation>
    </message>
    <message>
        <source>OK sends nothing: the lists equal the router&apos;s.</source>
        <translation>OK sendet nichts: Die Listen stimmen mit denen des Routers überein.</translation>
    </message>
    <message numerus="yes">
        <source>OK sends these %n entries to the router:</source>
        <translation>
            <numerusform>OK sendet diesen %n Eintrag an den Router:</numerusform>
            <numerusform>OK sendet diese %n Einträge an den Router:</numerusform>
        </translation>
    </message>
    <message>
        <source>Configuration saved to %1</source>
        <translation>Konfiguration gespeichert in %1</translation>
    </message>
</context>
<context>
    <name>tarcfg::MainWindow</name>
    <message>
        <source>Writing the configuration to router %1...</source>
        <translation>Die Konfiguration wird in den Router %1 geschrieben...</translation>
    </message>
    <message>
        <source>Router Selection</source>
        <translation>Routerauswahl</translation>
    </message>
    <message>
        <source>H&amp;W-Address</source>
        <translation>H&amp;W-Adresse</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>Konfiguration</translation>
    </message>
    <message>
        <source>Rou&amp;ter</source>
        <translation>Rou&amp;ter</translation>
    </message>
    <message>
        <source>&amp;Line Targets</source>
        <translation>&amp;Gegenstellen</translation>
    </message>
    <message>
        <source>Line Monitor</source>
        <translation>Leitungsmonitor</translation>
    </message>
    <message>
        <source>&amp;Connections</source>
        <translation>&amp;Verbindungen</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>&amp;Accounting</source>
        <translation>Gebühr&amp;en</translation>
    </message>
    <message>
        <source>Program picture</source>
        <translation>Programmbild</translation>
    </message>
    <message>
        <source>Double-click to show About TARCFG.</source>
        <translation>Doppelklicken Sie hier, um „Über TARCFG“ anzuzeigen.</translation>
    </message>
    <message>
        <source>&amp;Register</source>
        <translation>&amp;Anmelden</translation>
    </message>
    <message>
        <source>&amp;Deregister</source>
        <translation>A&amp;bmelden</translation>
    </message>
    <message>
        <source>Router &amp;Overview</source>
        <translation>&amp;Routerübersicht</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open Configuration...</source>
        <translation>&amp;Konfiguration öffnen...</translation>
    </message>
    <message>
        <source>&amp;History...</source>
        <translation>&amp;Verlauf...</translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>A&amp;bout TARCFG...</source>
        <translation>Ü&amp;ber TARCFG...</translation>
    </message>
    <message>
        <source>Registering with router %1...</source>
        <translation>Anmeldung am Router %1...</translation>
    </message>
    <message>
        <source>Reading the configuration of router %1...</source>
        <translation>Die Konfiguration des Routers %1 wird gelesen...</translation>
    </message>
    <message>
        <source>Writing the router parameters to router %1...</source>
        <translation>Die Routerparameter werden in den Router %1 geschrieben...</translation>
    </message>
</context>
<context>
    <name>tarcfg::NetworkConfigurationDialog</name>
    <message>
        <source>Network Configuration</source>
        <translation>Netzwerkkonfiguration</translation>
    </message>
    <message>
        <source>Target Host</source>
        <translation>Zielrechner</translation>
    </message>
    <message>
        <source>&amp;Create Default Route</source>
        <translation>&amp;Standardroute anlegen</translation>
    </message>
    <message>
        <source>&amp;Host Name:</source>
        <translation>&amp;Hostname:</translation>
    </message>
    <message>
        <source>&amp;Phone Number:</source>
        <translation>&amp;Rufnummer:</translation>
    </message>
    <message>
        <source>Advanced Settings</source>
        <translation>Erweiterte Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Manual Connection</source>
        <translation>&amp;Manueller Verbindungsaufbau</translation>
    </message>
    <message>
        <source>&amp;B-Channel Bundling</source>
        <translation>&amp;B-Kanal-Bündelung</translation>
    </message>
    <message>
        <source>C&amp;ompression</source>
        <translation>&amp;Komprimierung</translation>
    </message>
    <message>
        <source>T&amp;ime-Out:</source>
        <translation>&amp;Timeout:</translation>
    </message>
    <message>
        <source>s</source>
        <extracomment>Unit after the time-out field: seconds.</extracomment>
        <translation>s</translation>
    </message>
    <message>
        <source>Protocols</source>
        <translation>Protokolle</translation>
    </message>
    <message>
        <source>Layer&amp;2:</source>
        <translation>Schicht &amp;2:</translation>
    </message>
    <message>
        <source>Layer&amp;3:</source>
        <translation>Schicht &amp;3:</translation>
    </message>
    <message>
        <source>Passwords for PPP</source>
        <translation>PPP-Passwörter</translation>
    </message>
    <message>
        <source>&amp;Local Identification:</source>
        <translation>&amp;Eigene Kennung:</translation>
    </message>
    <message>
        <source>&amp;Remote Identification:</source>
        <translation>Kennung der &amp;Gegenstelle:</translation>
    </message>
</context>
<context>
    <name>tarcfg::OperatingModeChoiceDialog</name>
    <message>
        <source>Operating Mode</source>
        <translation>Betriebsart</translation>
    </message>
    <message>
        <source>The configuration is checked by the router&apos;s operating mode.</source>
        <translation>Die Konfiguration wird nach der Betriebsart des Routers geprüft.</translation>
    </message>
    <message>
        <source>&amp;Operating mode:</source>
        <translation>&amp;Betriebsart:</translation>
    </message>
    <message>
        <source>Switched line (1TR6, DSS1)</source>
        <translation>Wählverbindung (1TR6, DSS1)</translation>
    </message>
</context>
<context>
    <name>tarcfg::PasswordDialog</name>
    <message>
        <source>Tarnex - Password</source>
        <translation>Tarnex – Passwort</translation>
    </message>
    <message>
        <source>Enter Your &amp;Password:</source>
        <translation>&amp;Passwort eingeben:</translation>
    </message>
</context>
<context>
    <name>tarcfg::ProgressWindow</name>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>tarcfg::RouterConfigurationDialog</name>
    <message>
        <source>Router Configuration</source>
        <translation>Routerkonfiguration</translation>
    </message>
    <message>
        <source>&amp;IP-Address:</source>
        <translation>&amp;IP-Adresse:</translation>
    </message>
    <message>
        <source>&amp;Net Mask:</source>
        <translation>&amp;Netzmaske:</translation>
    </message>
    <message>
        <source>&amp;Phone Number:</source>
        <translation>&amp;Rufnummer:</translation>
    </message>
    <message>
        <source>&amp;Operating Mode:</source>
        <translation>&amp;Betriebsart:</translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation>Firmware-Version:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Change &amp;Firmware</source>
        <translation>&amp;Firmware ändern</translation>
    </message>
    <message>
        <source>&amp;Change Password</source>
        <translation>&amp;Passwort ändern</translation>
    </message>
</context>
<context>
    <name>tarcfg::RouterOverviewDialog</name>
    <message>
        <source>Router Overview</source>
        <translation>Routerübersicht</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>tarcfg::RoutingTableDialog</name>
    <message>
        <source>Routing Table</source>
        <translation>Routing-Tabelle</translation>
    </message>
    <message>
        <source>&amp;Position</source>
        <translation>&amp;Position</translation>
    </message>
    <message>
        <source>Mask</source>
        <translation>Maske</translation>
    </message>
    <message>
        <source>Compare Value</source>
        <translation>Vergleichswert</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
</context>
<context>
    <name>tarcfg::SelectFirmwareDialog</name>
    <message>
        <source>Select Firmware</source>
        <translation>Firmware auswählen</translation>
    </message>
    <message>
        <source>&amp;Versions:</source>
        <translation>&amp;Versionen:</translation>
    </message>
    <message>
        <source>Firmware versions</source>
        <translation>Firmware-Versionen</translation>
    </message>
</context>
<context>
    <name>tarcfg::SetupConnectionDialog</name>
    <message>
        <source>Setup Connection</source>
        <translation>Verbindung aufbauen</translation>
    </message>
    <message>
        <source>Phone Number</source>
        <translation>Rufnummer</translation>
    </message>
    <message>
        <source>Line Targets</source>
        <translation>Gegenstellen</translation>
    </message>
</context>
<context>
    <name>tarcfg::StandInSetupConnectionDialog</name>
    <message>
        <source>Setup Connection</source>
        <translation>Verbindung aufbauen</translation>
    </message>
    <message>
        <source>&amp;Position</source>
        <translation>&amp;Position</translation>
    </message>
    <message>
        <source>Host Name</source>
        <translation>Hostname</translation>
    </message>
    <message>
        <source>Phone Number</source>
        <translation>Rufnummer</translation>
    </message>
</context>
<context>
    <name>tarcfg::TableDialog</name>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
</TS>
