<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CliText</name>
    <message>
        <source>Read and reset the counters.</source>
        <translation>Die Zähler lesen und zurücksetzen.</translation>
    </message>
    <message>
        <source>Print a JSON array.</source>
        <translation>Ein JSON-Array ausgeben.</translation>
    </message>
    <message>
        <source>Print CSV with a header row.</source>
        <translation>CSV mit einer Kopfzeile ausgeben.</translation>
    </message>
    <message>
        <source>--json and --csv exclude each other</source>
        <translation>--json und --csv schließen einander aus</translation>
    </message>
    <message>
        <source>Read the accounting counters of every line target (and reset them with --reset).</source>
        <translation>Die Gebührenzähler jeder Gegenstelle lesen (und mit --reset zurücksetzen).</translation>
    </message>
    <message>
        <source>Where the files go (default: the current folder).</source>
        <translation>Wohin die Dateien kommen (Vorgabe: das aktuelle Verzeichnis).</translation>
    </message>
    <message>
        <source>no such folder</source>
        <translation>Verzeichnis nicht vorhanden</translation>
    </message>
    <message>
        <source>no IP address (loader mode), skipped</source>
        <translation>keine IP-Adresse (Loader), übersprungen</translation>
    </message>
    <message>
        <source>%1: saved to %2</source>
        <translation>%1: gespeichert in %2</translation>
    </message>
    <message>
        <source>Read every router of one scan into DIR, one file per router (198_51_100_10.cfg).</source>
        <translation>Jeden Router einer Suche in DIR auslesen, eine Datei je Router (198_51_100_10.cfg).</translation>
    </message>
    <message>
        <source>The configuration file to load.</source>
        <translation>Die zu ladende Konfigurationsdatei.</translation>
    </message>
    <message>
        <source>The router&apos;s permanent connection type (0 to 3).</source>
        <translation>Die Art der Festverbindung des Routers (0 bis 3).</translation>
    </message>
    <message>
        <source>Write the loaded configuration to OUT (&apos;-&apos;: standard output).</source>
        <translation>Die geladene Konfiguration nach OUT schreiben („-“: Standardausgabe).</translation>
    </message>
    <message>
        <source>--permanent takes a number from 0 to 255</source>
        <translation>--permanent erwartet eine Zahl von 0 bis 255</translation>
    </message>
    <message>
        <source>Load a .cfg file as the desktop tool does and report what it holds.</source>
        <translation>Eine .cfg-Datei wie das Desktop-Programm laden und ihren Inhalt melden.</translation>
    </message>
    <message>
        <source>1 line target</source>
        <translation>1 Gegenstelle</translation>
    </message>
    <message numerus="yes">
        <source>%n line targets</source>
        <translation>
            <numerusform>%n Gegenstelle</numerusform>
            <numerusform>%n Gegenstellen</numerusform>
        </translation>
    </message>
    <message>
        <source>1 route</source>
        <translation>1 Route</translation>
    </message>
    <message numerus="yes">
        <source>%n routes</source>
        <translation>
            <numerusform>%n Route</numerusform>
            <numerusform>%n Routen</numerusform>
        </translation>
    </message>
    <message>
        <source>1 filter</source>
        <translation>1 Filter</translation>
    </message>
    <message numerus="yes">
        <source>%n filters</source>
        <translation>
            <numerusform>%n Filter</numerusform>
            <numerusform>%n Filter</numerusform>
        </translation>
    </message>
    <message>
        <source>Displays this help.</source>
        <translation>Zeigt diese Hilfe an.</translation>
    </message>
    <message>
        <source>Displays the version.</source>
        <translation>Zeigt die Version an.</translation>
    </message>
    <message>
        <source>Settings file (default: $TARCFG_SETTINGS or tarcfg.ini in the XDG configuration directory).</source>
        <translation>Einstellungsdatei (Vorgabe: $TARCFG_SETTINGS oder tarcfg.ini im XDG-Konfigurationsverzeichnis).</translation>
    </message>
    <message>
        <source>usage: %1</source>
        <translation>Aufruf: %1</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>abgebrochen</translation>
    </message>
    <message>
        <source>ended by signal %1</source>
        <translation>durch Signal %1 beendet</translation>
    </message>
    <message>
        <source>cannot open file: %1</source>
        <translation>Datei kann nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>cannot write file: %1</source>
        <translation>Datei kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>1 entry sent</source>
        <translation>1 Eintrag gesendet</translation>
    </message>
    <message numerus="yes">
        <source>%n entries sent</source>
        <translation>
            <numerusform>%n Eintrag gesendet</numerusform>
            <numerusform>%n Einträge gesendet</numerusform>
        </translation>
    </message>
    <message>
        <source>The line target&apos;s position, from 1.</source>
        <translation>Die Position der Gegenstelle, ab 1.</translation>
    </message>
    <message>
        <source>POSITION is a number from 1</source>
        <translation>POSITION ist eine Zahl ab 1</translation>
    </message>
    <message>
        <source>the router has 1 line target</source>
        <translation>der Router hat 1 Gegenstelle</translation>
    </message>
    <message numerus="yes">
        <source>the router has %n line targets</source>
        <translation>
            <numerusform>der Router hat %n Gegenstelle</numerusform>
            <numerusform>der Router hat %n Gegenstellen</numerusform>
        </translation>
    </message>
    <message>
        <source>Dial the line target at POSITION (1-based, as &apos;read&apos; lists them).</source>
        <translation>Die Gegenstelle an POSITION anwählen (ab 1 gezählt, wie „read“ sie auflistet).</translation>
    </message>
    <message>
        <source>Address, host name or hardware address; or FILE1: a path, a &apos;.cfg&apos; name or an existing file, then FILE is FILE2.</source>
        <translation>Adresse, Hostname oder Hardware-Adresse; oder FILE1: ein Pfad, ein Name auf „.cfg“ oder eine vorhandene Datei, dann ist FILE die FILE2.</translation>
    </message>
    <message>
        <source>The .cfg file to compare with.</source>
        <translation>Die .cfg-Datei, mit der verglichen wird.</translation>
    </message>
    <message>
        <source>The newest configuration of the router&apos;s history (the default).</source>
        <translation>Die neueste Konfiguration im Verlauf des Routers (die Vorgabe).</translation>
    </message>
    <message>
        <source>The Nth configuration as &apos;history&apos; numbers them (1 = newest).</source>
        <translation>Die N-te Konfiguration, wie „history“ sie nummeriert (1 = neueste).</translation>
    </message>
    <message>
        <source>Print one JSON object.</source>
        <translation>Ein JSON-Objekt ausgeben.</translation>
    </message>
    <message>
        <source>give a second file to compare %1 with, or a router first</source>
        <translation>geben Sie eine zweite Datei zum Vergleich mit %1 an oder zuerst einen Router</translation>
    </message>
    <message>
        <source>give at most one of FILE, --last and --index N</source>
        <translation>geben Sie höchstens eines von FILE, --last und --index N an</translation>
    </message>
    <message>
        <source>--index needs a number from 1 up</source>
        <translation>--index erwartet eine Zahl ab 1</translation>
    </message>
    <message>
        <source>two files are compared without a router; -p has no use</source>
        <translation>zwei Dateien werden ohne Router verglichen; -p hat keine Wirkung</translation>
    </message>
    <message>
        <source>%1 (kept %2)</source>
        <translation>%1 (aufbewahrt %2)</translation>
    </message>
    <message>
        <source>router %1 now</source>
        <translation>Router %1 jetzt</translation>
    </message>
    <message>
        <source>Compare ROUTER&apos;s configuration now (&quot;+&quot; lines) with a file or a kept version (&quot;-&quot; lines; default: the newest kept one), or FILE1 (&quot;-&quot;) with FILE2 (&quot;+&quot;). Exit status 0: the same, 4: different.</source>
        <translation>Die jetzige Konfiguration von ROUTER (Zeilen „+“) mit einer Datei oder einer aufbewahrten Version (Zeilen „-“; Vorgabe: die neueste aufbewahrte) vergleichen, oder FILE1 („-“) mit FILE2 („+“). Exit-Status 0: gleich, 4: verschieden.</translation>
    </message>
    <message>
        <source>1 or 2.</source>
        <translation>1 oder 2.</translation>
    </message>
    <message>
        <source>the channel is 1 or 2</source>
        <translation>der Kanal ist 1 oder 2</translation>
    </message>
    <message>
        <source>Drop B-channel 1 or 2.</source>
        <translation>B-Kanal 1 oder 2 trennen.</translation>
    </message>
    <message>
        <source>Operating mode: %1.</source>
        <translation>Betriebsart: %1.</translation>
    </message>
    <message>
        <source>Firmware version (default: the newest for the mode).</source>
        <translation>Firmware-Version (Vorgabe: die neueste für die Betriebsart).</translation>
    </message>
    <message>
        <source>Download even when line targets have protocols the tables lack; they are left out of the router (the history keeps them).</source>
        <translation>Auch dann übertragen, wenn Gegenstellen Protokolle haben, die den Tabellen fehlen; sie werden im Router weggelassen (der Verlauf bewahrt sie auf).</translation>
    </message>
    <message>
        <source>unknown mode %1</source>
        <translation>unbekannte Betriebsart %1</translation>
    </message>
    <message>
        <source>the router has no IP address yet; give it one with --ip</source>
        <translation>der Router hat noch keine IP-Adresse; geben Sie ihm eine mit --ip</translation>
    </message>
    <message>
        <source>no %1* file</source>
        <translation>keine Datei %1*</translation>
    </message>
    <message>
        <source>the router&apos;s tables lack the protocols of these line targets; the download would leave them out:</source>
        <translation>den Tabellen des Routers fehlen die Protokolle dieser Gegenstellen; der Download würde sie weglassen:</translation>
    </message>
    <message>
        <source>Nothing was sent. --drop-unknown-protocols downloads without them (the history keeps them with their protocol definitions).</source>
        <translation>Es wurde nichts gesendet. --drop-unknown-protocols überträgt ohne sie (der Verlauf bewahrt sie mit ihren Protokolldefinitionen auf).</translation>
    </message>
    <message>
        <source>Reconfigure the router by downloading firmware with its configuration embedded.</source>
        <translation>Den Router durch einen Firmware-Download mit eingebetteter Konfiguration neu konfigurieren.</translation>
    </message>
    <message>
        <source>Hardware address (no network needed), or an address or host name.</source>
        <translation>Hardware-Adresse (ohne Netzwerk), oder eine Adresse oder ein Hostname.</translation>
    </message>
    <message>
        <source>Make the history folder a git repository (no ROUTER): from then on every configuration kept is also committed there as &lt;hardware address&gt;.cfg.</source>
        <translation>Das Verzeichnis des Verlaufs zu einem git-Repository machen (ohne ROUTER): von da an wird jede aufbewahrte Konfiguration auch dort als &lt;Hardware-Adresse&gt;.cfg eingecheckt.</translation>
    </message>
    <message>
        <source>The history folder %1 is a git repository already; every configuration kept is committed there.</source>
        <translation>Das Verzeichnis des Verlaufs %1 ist bereits ein git-Repository; jede aufbewahrte Konfiguration wird dort eingecheckt.</translation>
    </message>
    <message>
        <source>The history folder %1 is a git repository now; every configuration kept is committed there.</source>
        <translation>Das Verzeichnis des Verlaufs %1 ist jetzt ein git-Repository; jede aufbewahrte Konfiguration wird dort eingecheckt.</translation>
    </message>
    <message>
        <source>No configuration of router %1 has been kept.</source>
        <translation>Vom Router %1 wurde keine Konfiguration aufbewahrt.</translation>
    </message>
    <message>
        <source>before: %1</source>
        <translation>vor: %1</translation>
    </message>
    <message>
        <source>1 change</source>
        <translation>1 Änderung</translation>
    </message>
    <message numerus="yes">
        <source>%n changes</source>
        <translation>
            <numerusform>%n Änderung</numerusform>
            <numerusform>%n Änderungen</numerusform>
        </translation>
    </message>
    <message>
        <source>file:   %1</source>
        <translation>Datei:  %1</translation>
    </message>
    <message>
        <source>List the configurations kept before writes to ROUTER, newest first; or make the history folder a git repository that every kept configuration is committed to.</source>
        <translation>Die vor dem Schreiben in ROUTER aufbewahrten Konfigurationen auflisten, die neueste zuerst; oder das Verzeichnis des Verlaufs zu einem git-Repository machen, in das jede aufbewahrte Konfiguration eingecheckt wird.</translation>
    </message>
    <message>
        <source>Write even when the router&apos;s configuration cannot be kept in the history first.</source>
        <translation>Auch dann schreiben, wenn die Konfiguration des Routers vorher nicht im Verlauf aufbewahrt werden kann.</translation>
    </message>
    <message>
        <source>the router&apos;s hardware address is not known</source>
        <translation>die Hardware-Adresse des Routers ist nicht bekannt</translation>
    </message>
    <message>
        <source>warning: kept in the history but not committed to its git repository: %1</source>
        <translation>Warnung: im Verlauf aufbewahrt, aber nicht in sein git-Repository eingecheckt: %1</translation>
    </message>
    <message>
        <source>cannot keep the router&apos;s configuration in the history: %1
Nothing was sent. --no-history writes without keeping it.</source>
        <translation>die Konfiguration des Routers kann nicht im Verlauf aufbewahrt werden: %1
Es wurde nichts gesendet. --no-history schreibt, ohne sie aufzubewahren.</translation>
    </message>
    <message>
        <source>Usage: tarcfg-cli [--settings FILE] COMMAND [OPTIONS] [ARGUMENTS]

Configures Tarnex routers of the local network from the command line.

Commands:
</source>
        <translation>Aufruf: tarcfg-cli [--settings FILE] BEFEHL [OPTIONEN] [ARGUMENTE]

Konfiguriert Tarnex Router des lokalen Netzwerks von der Befehlszeile aus.

Befehle:
</translation>
    </message>
    <message>
        <source>
&apos;tarcfg-cli COMMAND --help&apos; shows the options of a command.

Global options:
  --settings FILE  settings file (default: $TARCFG_SETTINGS, else tarcfg.ini in
                   the XDG configuration directory)
  -h, --help       this text
  -v, --version    the version

Exit status:
  0  success
  1  refused by the router, or a network error
  2  usage error
  3  file error (unreadable or invalid configuration or definition file)
  128+N  ended by signal N (Ctrl-C: 130; a closed output: 141), after the
         deregistration from a registered router
</source>
        <translation>
„tarcfg-cli BEFEHL --help“ zeigt die Optionen eines Befehls.

Globale Optionen:
  --settings FILE  Einstellungsdatei (Vorgabe: $TARCFG_SETTINGS, sonst tarcfg.ini
                   im XDG-Konfigurationsverzeichnis)
  -h, --help       dieser Text
  -v, --version    die Version

Exit-Status:
  0  Erfolg
  1  vom Router abgelehnt, oder ein Netzwerkfehler
  2  Fehler im Aufruf
  3  Dateifehler (nicht lesbare oder ungültige Konfigurations- oder
     Definitionsdatei)
  128+N  durch Signal N beendet (Strg+C: 130; eine geschlossene Ausgabe: 141),
         nach dem Abmelden von einem angemeldeten Router
</translation>
    </message>
    <message>
        <source>unknown option %1
Try &apos;tarcfg-cli --help&apos;.</source>
        <translation>unbekannte Option %1
Versuchen Sie „tarcfg-cli --help“.</translation>
    </message>
    <message>
        <source>unknown command %1
Try &apos;tarcfg-cli --help&apos;.</source>
        <translation>unbekannter Befehl %1
Versuchen Sie „tarcfg-cli --help“.</translation>
    </message>
    <message>
        <source>Show firmware and channel states of every router (the Router Overview report).</source>
        <translation>Firmware und Kanalzustände jedes Routers anzeigen (der Bericht der Routerübersicht).</translation>
    </message>
    <message>
        <source>List the layer-2 and layer-3 protocol tables (built-ins and tarcfg.pro).</source>
        <translation>Die Protokolltabellen für Schicht 2 und Schicht 3 auflisten (eingebaute und tarcfg.pro).</translation>
    </message>
    <message>
        <source>1 line target uses a layer-2 protocol missing from tarcfg.pro and is left out</source>
        <translation>1 Gegenstelle verwendet ein Schicht-2-Protokoll, das in tarcfg.pro fehlt, und wird weggelassen</translation>
    </message>
    <message numerus="yes">
        <source>%n line targets use a layer-2 protocol missing from tarcfg.pro and are left out</source>
        <translation>
            <numerusform>%n Gegenstelle verwendet ein Schicht-2-Protokoll, das in tarcfg.pro fehlt, und wird weggelassen</numerusform>
            <numerusform>%n Gegenstellen verwenden ein Schicht-2-Protokoll, das in tarcfg.pro fehlt, und werden weggelassen</numerusform>
        </translation>
    </message>
    <message>
        <source>The file to write (default: standard output).</source>
        <translation>Die zu schreibende Datei (Vorgabe: Standardausgabe).</translation>
    </message>
    <message>
        <source>Register with ROUTER, read its configuration and write it as a .cfg file.</source>
        <translation>Sich an ROUTER anmelden, seine Konfiguration lesen und als .cfg-Datei schreiben.</translation>
    </message>
    <message>
        <source>The .cfg file to write back.</source>
        <translation>Die zurückzuschreibende .cfg-Datei.</translation>
    </message>
    <message>
        <source>The newest configuration of the router&apos;s history.</source>
        <translation>Die neueste Konfiguration im Verlauf des Routers.</translation>
    </message>
    <message>
        <source>List the entries that would be sent; send nothing.</source>
        <translation>Die Einträge auflisten, die gesendet würden; nichts senden.</translation>
    </message>
    <message>
        <source>give exactly one of FILE, --last and --index N</source>
        <translation>geben Sie genau eines von FILE, --last und --index N an</translation>
    </message>
    <message>
        <source>Write a kept configuration back to ROUTER as &apos;write&apos; does, keeping history first.</source>
        <translation>Eine aufbewahrte Konfiguration wie „write“ in ROUTER zurückschreiben, vorher im Verlauf aufbewahrt.</translation>
    </message>
    <message>
        <source>the router is in its loader and has no IP address; it cannot be registered with</source>
        <translation>der Router ist in seinem Loader und hat keine IP-Adresse; an ihm kann man sich nicht anmelden</translation>
    </message>
    <message>
        <source>[y/N]</source>
        <translation>[j/N]</translation>
    </message>
    <message>
        <source>(answer with --yes)</source>
        <translation>(antworten Sie mit --yes)</translation>
    </message>
    <message>
        <source>The router&apos;s new IP address.</source>
        <translation>Die neue IP-Adresse des Routers.</translation>
    </message>
    <message>
        <source>The router&apos;s new net mask.</source>
        <translation>Die neue Netzmaske des Routers.</translation>
    </message>
    <message>
        <source>The router&apos;s own ISDN number.</source>
        <translation>Die eigene ISDN-Rufnummer des Routers.</translation>
    </message>
    <message>
        <source>Use an address outside the local network without asking.</source>
        <translation>Eine Adresse außerhalb des lokalen Netzwerks ohne Rückfrage verwenden.</translation>
    </message>
    <message>
        <source>List the routers of the local network.</source>
        <translation>Die Router des lokalen Netzwerks auflisten.</translation>
    </message>
    <message>
        <source>Serve the routers&apos; state as Prometheus metrics on http://ADDR:PORT/metrics.</source>
        <translation>Den Zustand der Router als Prometheus-Metriken unter http://ADDR:PORT/metrics anbieten.</translation>
    </message>
    <message>
        <source>the router ended the registration without an answer</source>
        <translation>der Router hat die Anmeldung ohne Antwort beendet</translation>
    </message>
    <message>
        <source>router did not answer (Error code: %1)</source>
        <translation>der Router hat nicht geantwortet (Fehlercode: %1)</translation>
    </message>
    <message>
        <source>no router with this hardware address answered</source>
        <translation>kein Router mit dieser Hardware-Adresse hat geantwortet</translation>
    </message>
    <message>
        <source>not a router address</source>
        <translation>keine Routeradresse</translation>
    </message>
    <message>
        <source>router did not answer the scan</source>
        <translation>der Router hat auf die Suche nicht geantwortet</translation>
    </message>
    <message>
        <source>Enter Your Password: </source>
        <translation>Passwort eingeben: </translation>
    </message>
    <message>
        <source>the router asks for a password (use -p or TARCFG_PASSWORD)</source>
        <translation>der Router verlangt ein Passwort (verwenden Sie -p oder TARCFG_PASSWORD)</translation>
    </message>
    <message>
        <source>Registration password (else $TARCFG_PASSWORD, else a prompt on a terminal).</source>
        <translation>Passwort für die Anmeldung (sonst $TARCFG_PASSWORD, sonst eine Passwortabfrage am Terminal).</translation>
    </message>
    <message>
        <source>Address, host name or hardware address.</source>
        <translation>Adresse, Hostname oder Hardware-Adresse.</translation>
    </message>
    <message>
        <source>--new-password needs the password: set TARCFG_NEW_PASSWORD, give &apos;--new-password -&apos; to read it from standard input, or run on a terminal</source>
        <translation>--new-password braucht das Passwort: setzen Sie TARCFG_NEW_PASSWORD, geben Sie „--new-password -“ an, um es von der Standardeingabe zu lesen, oder starten Sie den Befehl an einem Terminal</translation>
    </message>
    <message>
        <source>New Password: </source>
        <translation>Neues Passwort: </translation>
    </message>
    <message>
        <source>Confirm Password: </source>
        <translation>Passwort bestätigen: </translation>
    </message>
    <message>
        <source>Change the registration password (at most 10 characters). Without a value: from $TARCFG_NEW_PASSWORD, else typed twice at a prompt on a terminal; &apos;-&apos;: one line of standard input; any other value is the password itself, visible to other users of this host.</source>
        <translation>Das Passwort für die Anmeldung ändern (höchstens 10 Zeichen). Ohne Wert: aus $TARCFG_NEW_PASSWORD, sonst zweimal an einer Passwortabfrage am Terminal eingegeben; „-“: eine Zeile der Standardeingabe; jeder andere Wert ist das Passwort selbst, für andere Benutzer dieses Rechners sichtbar.</translation>
    </message>
    <message>
        <source>Only this host may configure the router.</source>
        <translation>Nur dieser Rechner darf den Router konfigurieren.</translation>
    </message>
    <message>
        <source>Any host may configure the router.</source>
        <translation>Jeder Rechner darf den Router konfigurieren.</translation>
    </message>
    <message>
        <source>--exclusive and --no-exclusive exclude each other</source>
        <translation>--exclusive und --no-exclusive schließen einander aus</translation>
    </message>
    <message>
        <source>--new-password given twice</source>
        <translation>--new-password zweimal angegeben</translation>
    </message>
    <message>
        <source>the router has no IP address yet; use &apos;firmware&apos; to configure it</source>
        <translation>der Router hat noch keine IP-Adresse; konfigurieren Sie ihn mit „firmware“</translation>
    </message>
    <message>
        <source>Nothing to change.</source>
        <translation>Es gibt nichts zu ändern.</translation>
    </message>
    <message>
        <source>Change the router&apos;s address, mask, phone number, password or exclusive right.</source>
        <translation>Adresse, Netzmaske, Rufnummer, Passwort oder Exklusivrecht des Routers ändern.</translation>
    </message>
    <message>
        <source>Channel %1: %2 (%3)  remote %4  phone %5  duration %6 s  charge %7  packets out %8 in %9</source>
        <translation>Kanal %1: %2 (%3)  Gegenstelle %4  Rufnummer %5  Dauer %6 s  Gebühren %7  Pakete abgehend %8 ankommend %9</translation>
    </message>
    <message>
        <source>Reports to print (default 1; 0 = until Ctrl-C).</source>
        <translation>Anzahl der Berichte (Vorgabe 1; 0 = bis Strg+C).</translation>
    </message>
    <message>
        <source>One JSON object per report.</source>
        <translation>Ein JSON-Objekt je Bericht.</translation>
    </message>
    <message>
        <source>--count takes a number of 0 or more</source>
        <translation>--count erwartet eine Zahl ab 0</translation>
    </message>
    <message>
        <source>Watch both B-channels: print N line status reports (0: until interrupted).</source>
        <translation>Beide B-Kanäle beobachten: N Berichte zum Leitungsstatus ausgeben (0: bis zum Abbruch).</translation>
    </message>
    <message>
        <source>The .cfg file to apply.</source>
        <translation>Die anzuwendende .cfg-Datei.</translation>
    </message>
    <message>
        <source>Load FILE as Open... does and write what differs from the router&apos;s tables.</source>
        <translation>FILE wie „Öffnen...“ laden und schreiben, was von den Tabellen des Routers abweicht.</translation>
    </message>
    <message>
        <source>no configuration has been kept</source>
        <translation>es wurde keine Konfiguration aufbewahrt</translation>
    </message>
    <message>
        <source>the history holds 1 configuration</source>
        <translation>der Verlauf enthält 1 Konfiguration</translation>
    </message>
    <message numerus="yes">
        <source>the history holds %n configurations</source>
        <translation>
            <numerusform>der Verlauf enthält %n Konfiguration</numerusform>
            <numerusform>der Verlauf enthält %n Konfigurationen</numerusform>
        </translation>
    </message>
</context>
</TS>
