<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Strings</name>
    <message>
        <source>Accept</source>
        <comment>1001</comment>
        <translation>Annehmen</translation>
    </message>
    <message>
        <source>Reject</source>
        <comment>1002</comment>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>All</source>
        <comment>1003</comment>
        <translation>Alle</translation>
    </message>
    <message>
        <source>Host name:	%s<byte value="xd"/>
Phone number.:	%s<byte value="xd"/>
<byte value="xd"/>
Calls<byte value="xd"/>
incoming: %ld	outgoing: %ld<byte value="xd"/>
Packets<byte value="xd"/>
incoming: %ld	outgoing: %ld<byte value="xd"/>
Bytes<byte value="xd"/>
incoming: %-3ld	outgoing: %ld<byte value="xd"/>
Charges: %ld Units<byte value="xd"/>
<byte value="xd"/>
</source>
        <comment>1004</comment>
        <translation>Hostname:	%s<byte value="xd"/>
Rufnummer:	%s<byte value="xd"/>
<byte value="xd"/>
Verbindungen<byte value="xd"/>
ankommend: %ld	abgehend: %ld<byte value="xd"/>
Pakete<byte value="xd"/>
ankommend: %ld	abgehend: %ld<byte value="xd"/>
Bytes<byte value="xd"/>
ankommend: %-3ld	abgehend: %ld<byte value="xd"/>
Gebühren: %ld Einheiten<byte value="xd"/>
<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Establishing connection</source>
        <comment>1005</comment>
        <translation>Verbindung wird aufgebaut</translation>
    </message>
    <message>
        <source>Closing connection</source>
        <comment>1006</comment>
        <translation>Verbindung wird abgebaut</translation>
    </message>
    <message>
        <source>Connected</source>
        <comment>1007</comment>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Not connected</source>
        <comment>1008</comment>
        <translation>Nicht verbunden</translation>
    </message>
    <message>
        <source>Host name:	%s<byte value="xd"/>
Firmware:	%s<byte value="xd"/>
Channel 1: %s<byte value="xd"/>
Channel 2: %s<byte value="xd"/>
<byte value="xd"/>
</source>
        <comment>1009</comment>
        <translation>Hostname:	%s<byte value="xd"/>
Firmware:	%s<byte value="xd"/>
Kanal 1: %s<byte value="xd"/>
Kanal 2: %s<byte value="xd"/>
<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Router %s does not respond.<byte value="xd"/>
</source>
        <comment>1010</comment>
        <translation>Router %s antwortet nicht.<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>-- Scanning network for routers --</source>
        <comment>1011</comment>
        <translation>-- Netzwerk wird nach Routern durchsucht --</translation>
    </message>
    <message>
        <source>Configuration Files (*.cfg)|*.cfg|All Files (*.*)|*.*||</source>
        <comment>1012</comment>
        <translation>Konfigurationsdateien (*.cfg)|*.cfg|Alle Dateien (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Starting firmware download.</source>
        <comment>1013</comment>
        <translation>Firmware-Download wird gestartet.</translation>
    </message>
    <message>
        <source>Router is loaded with firmware: %d%%.</source>
        <comment>1014</comment>
        <translation>Router wird mit Firmware geladen: %d%%.</translation>
    </message>
    <message>
        <source>Waiting for router report.</source>
        <comment>1015</comment>
        <translation>Warten auf Meldung des Routers.</translation>
    </message>
    <message>
        <source>-- No router in the network --</source>
        <comment>1016</comment>
        <translation>-- Kein Router im Netzwerk --</translation>
    </message>
    <message>
        <source>Configuration of the Graphical User Interface:

Hostname: %s
Netmask: %s
Hostname Resolving: %s
Firmware Path: %s</source>
        <comment>1017</comment>
        <translation>Konfiguration der grafischen Oberfläche:

Hostname: %s
Netzmaske: %s
Namensauflösung: %s
Firmware-Pfad: %s</translation>
    </message>
    <message>
        <source>Wrong password - Cannot open connection</source>
        <comment>40000</comment>
        <translation>Das Passwort ist falsch. Die Verbindung kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Scanning network - Please wait...</source>
        <comment>40001</comment>
        <translation>Netzwerk wird durchsucht – bitte warten …</translation>
    </message>
    <message>
        <source>The router contains undefined protocols, the definition of which have been saved in TARCFG.ADD. Current connections have been saved in the file SAVE.CFG.</source>
        <comment>40002</comment>
        <translation>Der Router enthält nicht definierte Protokolle, deren Definitionen in TARCFG.ADD gesichert wurden. Die aktuellen Gegenstellen wurden in der Datei SAVE.CFG gesichert.</translation>
    </message>
    <message>
        <source>Wrong IP-address or net mask!</source>
        <comment>40004</comment>
        <translation>Falsche IP-Adresse oder Netzmaske!</translation>
    </message>
    <message>
        <source>Cannot find a valid SOCKET-library.
Install a correct Win32 TCP/IP-protocol!</source>
        <comment>40005</comment>
        <translation>Keine gültige SOCKET-Bibliothek gefunden.
Installieren Sie ein korrektes Win32-TCP/IP-Protokoll!</translation>
    </message>
    <message>
        <source>Router registration failed. Check the respective connections!
(Error-Code: %d)</source>
        <comment>40006</comment>
        <translation>Anmeldung am Router fehlgeschlagen. Prüfen Sie die betreffenden Verbindungen!
(Fehlercode: %d)</translation>
    </message>
    <message>
        <source>Router registration failed.
This router has already been registered by host &apos;%s&apos;.</source>
        <comment>40007</comment>
        <translation>Anmeldung am Router fehlgeschlagen.
An diesem Router ist bereits der Rechner „%s“ angemeldet.</translation>
    </message>
    <message>
        <source>Time-out during network communication!</source>
        <comment>40008</comment>
        <translation>Zeitüberschreitung bei der Netzwerkkommunikation!</translation>
    </message>
    <message>
        <source>The current network port is invalid.</source>
        <comment>40009</comment>
        <translation>Der aktuelle Netzwerk-Port ist ungültig.</translation>
    </message>
    <message>
        <source>Error in the file TARCFG.PRO line %d, column %d.
Please check the contents of this file.</source>
        <comment>40010</comment>
        <translation>Fehler in der Datei TARCFG.PRO, Zeile %d, Spalte %d.
Bitte prüfen Sie den Inhalt dieser Datei.</translation>
    </message>
    <message>
        <source>Line %d of TARCFG.PRO contains inconsistencies.
Please check the contents of this file.</source>
        <comment>40011</comment>
        <translation>Zeile %d von TARCFG.PRO ist widersprüchlich.
Bitte prüfen Sie den Inhalt dieser Datei.</translation>
    </message>
    <message>
        <source>The required TCP/IP-port could not be bound (%d)!</source>
        <comment>40012</comment>
        <translation>Der benötigte TCP/IP-Port konnte nicht belegt werden (%d)!</translation>
    </message>
    <message>
        <source>Mask and compare value do not match!</source>
        <comment>40013</comment>
        <translation>Maske und Vergleichswert passen nicht zusammen!</translation>
    </message>
    <message>
        <source>Writing file has failed!
</source>
        <comment>40014</comment>
        <translation>Schreiben der Datei fehlgeschlagen!
</translation>
    </message>
    <message>
        <source>General network communication error!
(Error code: %d)</source>
        <comment>40100</comment>
        <translation>Bei der Netzwerkkommunikation ist ein allgemeiner Fehler aufgetreten!
(Fehlercode: %d)</translation>
    </message>
    <message>
        <source>Flash-ROM download has failed!</source>
        <comment>40101</comment>
        <translation>Flash-ROM-Download fehlgeschlagen!</translation>
    </message>
    <message>
        <source>Firmware download has failed!</source>
        <comment>40102</comment>
        <translation>Firmware-Download fehlgeschlagen!</translation>
    </message>
    <message>
        <source>Reset of router failed.!</source>
        <comment>40103</comment>
        <translation>Zurücksetzen des Routers fehlgeschlagen!</translation>
    </message>
    <message>
        <source>Current phone number is incorrect!</source>
        <comment>40104</comment>
        <translation>Die aktuelle Rufnummer ist falsch!</translation>
    </message>
    <message>
        <source>Wrong password syntax!</source>
        <comment>40105</comment>
        <translation>Falsche Passwort-Syntax!</translation>
    </message>
    <message>
        <source>Wrong confirmation of new password!</source>
        <comment>40106</comment>
        <translation>Das neue Passwort wurde falsch bestätigt!</translation>
    </message>
    <message>
        <source>The router may not be opened by this host!</source>
        <comment>40107</comment>
        <translation>Dieser Rechner darf den Router nicht öffnen!</translation>
    </message>
    <message>
        <source>For permanent connections of type FV64S enter &apos;0&apos; or &apos;1&apos; as 
phone numbers!</source>
        <comment>40108</comment>
        <translation>Geben Sie bei Festverbindungen vom Typ FV64S „0“ oder „1“ als
Rufnummer ein!</translation>
    </message>
    <message>
        <source>The selected firmware is invalid or damaged!</source>
        <comment>40109</comment>
        <translation>Die gewählte Firmware ist ungültig oder beschädigt!</translation>
    </message>
    <message>
        <source>The selected IP-address is not part of the local network. Use it anyway?</source>
        <comment>40110</comment>
        <translation>Die gewählte IP-Adresse gehört nicht zum lokalen Netzwerk. Trotzdem verwenden?</translation>
    </message>
    <message>
        <source>The changes have been saved in the router.
To activate changes please reboot the router.</source>
        <comment>40111</comment>
        <translation>Die Änderungen wurden im Router gespeichert.
Starten Sie den Router neu, um sie wirksam zu machen.</translation>
    </message>
    <message>
        <source>The changes have been saved in the router.
To activate changes please deregister.</source>
        <comment>40112</comment>
        <translation>Die Änderungen wurden im Router gespeichert.
Melden Sie sich ab, um sie wirksam zu machen.</translation>
    </message>
    <message>
        <source>The firmware download is complete.
The router has restarted with the address %s and must be registered again.</source>
        <comment>40113</comment>
        <translation>Der Firmware-Download ist abgeschlossen.
Der Router wurde mit der Adresse %s neu gestartet und muss erneut angemeldet werden.</translation>
    </message>
    <message>
        <source>The changes have not been sent to the router.
Discard them?</source>
        <comment>40114</comment>
        <translation>Die Änderungen wurden nicht an den Router gesendet.
Verwerfen?</translation>
    </message>
    <message>
        <source>The router has not confirmed every change; it may hold only part of them.
Register again to read what it holds.</source>
        <comment>40115</comment>
        <translation>Der Router hat nicht jede Änderung bestätigt; er enthält möglicherweise nur einen Teil davon.
Melden Sie sich erneut an, um zu lesen, was er enthält.</translation>
    </message>
    <message>
        <source>The router&apos;s tables lack the protocols of these line targets; the download will leave them out:
%s
They are kept in the configuration history with their protocol definitions.
Leave them out?</source>
        <comment>40116</comment>
        <translation>Den Tabellen des Routers fehlen die Protokolle dieser Gegenstellen; der Download lässt sie weg:
%s
Sie bleiben mit ihren Protokolldefinitionen im Konfigurationsverlauf erhalten.
Weglassen?</translation>
    </message>
    <message>
        <source>The router has not yet confirmed every change. If you quit now, it keeps only what it confirmed:
%s
Quit anyway?</source>
        <comment>40117</comment>
        <translation>Der Router hat noch nicht jede Änderung bestätigt. Wenn Sie jetzt beenden, behält er nur, was er bestätigt hat:
%s
Trotzdem beenden?</translation>
    </message>
    <message>
        <source>Loading error in line %d, column %d.
</source>
        <comment>40200</comment>
        <translation>Ladefehler in Zeile %d, Spalte %d.
</translation>
    </message>
    <message>
        <source>The list contains too many entries!</source>
        <comment>40201</comment>
        <translation>Die Liste enthält zu viele Einträge!</translation>
    </message>
    <message>
        <source>Wrong IP-address!</source>
        <comment>40202</comment>
        <translation>Falsche IP-Adresse!</translation>
    </message>
    <message>
        <source>Wrong telephone number!</source>
        <comment>40203</comment>
        <translation>Falsche Rufnummer!</translation>
    </message>
    <message>
        <source>Wrong protocol!</source>
        <comment>40204</comment>
        <translation>Falsches Protokoll!</translation>
    </message>
    <message>
        <source>Wrong time-out value!</source>
        <comment>40205</comment>
        <translation>Falscher Time-out-Wert!</translation>
    </message>
    <message>
        <source>Wrong value for option &apos;M&apos;! Correct values are 0 and 1.</source>
        <comment>40206</comment>
        <translation>Falscher Wert für Option „M“! Gültig sind 0 und 1.</translation>
    </message>
    <message>
        <source>Wrong value for option &apos;B&apos;! Correct values are 0 and 1.</source>
        <comment>40207</comment>
        <translation>Falscher Wert für Option „B“! Gültig sind 0 und 1.</translation>
    </message>
    <message>
        <source>Wrong value for option &apos;C&apos;! Correct values are 0 and 1.</source>
        <comment>40208</comment>
        <translation>Falscher Wert für Option „C“! Gültig sind 0 und 1.</translation>
    </message>
    <message>
        <source>Wrong password!</source>
        <comment>40209</comment>
        <translation>Falsches Passwort!</translation>
    </message>
    <message>
        <source>Wrong line format!</source>
        <comment>40210</comment>
        <translation>Falsches Zeilenformat!</translation>
    </message>
    <message>
        <source>Wrong mask!</source>
        <comment>40211</comment>
        <translation>Falsche Maske!</translation>
    </message>
    <message>
        <source>Wrong compare value!</source>
        <comment>40212</comment>
        <translation>Falscher Vergleichswert!</translation>
    </message>
    <message>
        <source>Combination mask/compare value!</source>
        <comment>40213</comment>
        <translation>Kombination Maske/Vergleichswert!</translation>
    </message>
    <message>
        <source>Wrong gateway!</source>
        <comment>40214</comment>
        <translation>Falsches Gateway!</translation>
    </message>
    <message>
        <source>Wrong service!</source>
        <comment>40215</comment>
        <translation>Falscher Dienst!</translation>
    </message>
    <message>
        <source>Wrong action value! Correct values are 0 and 1.</source>
        <comment>40216</comment>
        <translation>Falscher Wert für die Aktion! Gültig sind 0 und 1.</translation>
    </message>
    <message>
        <source>Error! Cannot open file.
</source>
        <comment>40217</comment>
        <translation>Fehler! Datei kann nicht geöffnet werden.
</translation>
    </message>
    <message>
        <source>Export Accounting Data</source>
        <comment>41000</comment>
        <translation>Gebührendaten exportieren</translation>
    </message>
    <message>
        <source>Comma-separated values (*.csv)</source>
        <comment>41001</comment>
        <translation>Kommagetrennte Werte (*.csv)</translation>
    </message>
    <message>
        <source>Cannot write %s:
%s</source>
        <comment>41002</comment>
        <translation>%s kann nicht geschrieben werden:
%s</translation>
    </message>
    <message>
        <source>The router&apos;s configuration could not be kept in the history:
%s

Nothing has been written to the router yet.
Write to the router without keeping its configuration?</source>
        <comment>41100</comment>
        <translation>Die Konfiguration des Routers konnte nicht im Verlauf gesichert werden:
%s

Es wurde noch nichts in den Router geschrieben.
In den Router schreiben, ohne seine Konfiguration zu sichern?</translation>
    </message>
    <message>
        <source>No configuration of router %s has been kept yet.</source>
        <comment>41101</comment>
        <translation>Von Router %s wurde noch keine Konfiguration gesichert.</translation>
    </message>
    <message>
        <source>The router&apos;s configuration was kept in the history, but it could not be committed to the history folder&apos;s git repository:
%s

The write goes ahead. This is not said again until the program is restarted.</source>
        <comment>41102</comment>
        <translation>Die Konfiguration des Routers wurde im Verlauf gesichert, konnte aber nicht in das Git-Repository des Verlaufsordners übernommen werden:
%s

Das Schreiben wird fortgesetzt. Dieser Hinweis erscheint erst nach einem Neustart des Programms wieder.</translation>
    </message>
    <message>
        <source>The changes have not been saved to %s.
Discard them?</source>
        <comment>41103</comment>
        <translation>Die Änderungen wurden nicht in %s gespeichert.
Verwerfen?</translation>
    </message>
    <message>
        <source>Tarnex Router</source>
        <comment>57344</comment>
        <translation>Tarnex Router</translation>
    </message>
    <message>
        <source>Failed to launch help.</source>
        <comment>61703</comment>
        <translation>Die Hilfe konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <comment>61704</comment>
        <translation>Bitte geben Sie eine ganze Zahl ein.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <comment>61705</comment>
        <translation>Bitte geben Sie eine ganze Zahl zwischen %1 und %2 ein.</translation>
    </message>
    <message>
        <source>Please enter no more than %1 characters.</source>
        <comment>61706</comment>
        <translation>Bitte geben Sie höchstens %1 Zeichen ein.</translation>
    </message>
</context>
</TS>
