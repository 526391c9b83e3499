<#
.SYNOPSIS
Shows on a real Windows what Wine cannot: how the three Quillbrook programs start, load DLLs,
wait for a key and carry their signature.

.DESCRIPTION
Started beside an unpacked release (or given its folder), it runs each program in a fresh folder
of its own under %TEMP% and prints one PASS/FAIL/SKIP line per check, headed by the Windows
version and the session it ran in. Nothing in the release folder is changed.

  run                  each exe: exit code, and the bytes it wrote (report, fleet outputs, inventory)
  planted-dlls         each exe again, with planted.dll copied beside it as bcrypt, tbs, cryptbase,
                       cryptsp, version, userenv and dbghelp: none of them may be loaded
  hidden-start         Start-Process -WindowStyle Hidden: must end within the time limit
  hidden-cmd-wrapper   a hidden cmd /c that shares its console with the program: must end too
  create-no-window     started with CREATE_NO_WINDOW (hidden_launcher.exe): must end too
  visible-window-waits a console window on the desktop: must still wait for its key
  stack-guard          stack_guard.exe twice: the guard the start-up seeds must differ
  authenticode         Get-AuthenticodeSignature of each exe

The kit's own files (planted.dll, stack_guard.exe, hidden_launcher.exe) come from
`cmake --build --preset windows --target proof-kit` (build/windows/proof-kit). Exit code 0 when no
check failed, 1 otherwise.

.PARAMETER Release
The folder holding quillbrook.exe, quillbrook-fleet.exe and quillbrook-inventory.exe.

.PARAMETER Kit
The folder holding planted.dll, stack_guard.exe and hidden_launcher.exe.

.PARAMETER RequireSignature
An unsigned exe fails the authenticode check instead of skipping it.

.EXAMPLE
powershell -NoProfile -ExecutionPolicy Bypass -File .\Invoke-QuillbrookProof.ps1 -Release C:\quillbrook-1.4.0-win64
#>
[CmdletBinding()]
param(
    [string]$Release = $PSScriptRoot,
    [string]$Kit = $PSScriptRoot,
    [switch]$RequireSignature,
    [int]$TimeoutSeconds = 30
)

Set-StrictMode -Version 3
$ErrorActionPreference = 'Stop'

$Programs = 'quillbrook.exe', 'quillbrook-fleet.exe', 'quillbrook-inventory.exe'
# DLLs that Windows programs are known to look for beside themselves, or that a system DLL loads later.
$PlantedNames = 'bcrypt', 'tbs', 'cryptbase', 'cryptsp', 'version', 'userenv', 'dbghelp'
$Marker = 'planted-dll-ran'
$Prompt = 'Beliebige Taste zum Beenden...'
$Results = New-Object System.Collections.Generic.List[object]
$Work = Join-Path ([IO.Path]::GetTempPath()) ('quillbrook-proof-' + [guid]::NewGuid().ToString('N'))
$Session = (Get-Process -Id $PID).SessionId
$Started = Get-Date

function Add-Result([string]$Check, [string]$Program, [string]$Result, [string]$Note) {
    $Results.Add([pscustomobject]@{ Check = $Check; Program = $Program; Result = $Result; Note = $Note })
}

function Add-Verdict([string]$Check, [string]$Program, [string[]]$Problems, [string]$Note) {
    if (@($Problems).Count -gt 0) {
        Add-Result -Check $Check -Program $Program -Result 'FAIL' -Note ($Problems -join '; ')
    } else {
        Add-Result -Check $Check -Program $Program -Result 'PASS' -Note $Note
    }
}

# A check that throws fails with the reason, and the others still run.
function Invoke-Check([string]$Check, [string]$Program, [scriptblock]$Body) {
    try { & $Body } catch { Add-Result -Check $Check -Program $Program -Result 'FAIL' -Note ('error: ' + $_.Exception.Message) }
}

# One argument as CreateProcess splits a command line: quoted, with the quotes and the backslashes
# before them escaped.
function ConvertTo-Argument([string]$Text) {
    '"' + (($Text -replace '(\\*)"', '$1$1\"') -replace '(\\+)$', '$1$1') + '"'
}

# Ends what this script started from a program of that name and still runs: a program that waits for
# a key nobody can press. By start time, not path: %TEMP% may be spelt with short names either way.
function Stop-ProgramAt([string]$Path) {
    Get-Process -Name ([IO.Path]::GetFileNameWithoutExtension($Path)) -ErrorAction SilentlyContinue |
        Where-Object { try { $_.StartTime -ge $Started } catch { $false } } | Stop-Process -Force -ErrorAction SilentlyContinue
}

# A fresh folder with the release's exe (and, for the fleet, the report to read) in it.
function New-ProgramFolder([string]$Name, [string]$Program) {
    $folder = Join-Path $Work $Name
    New-Item -ItemType Directory -Path $folder | Out-Null
    Copy-Item -LiteralPath (Join-Path $Release $Program) -Destination $folder
    $folder
}

# Runs a program with its input at its end and its output in pipes, as a script does; the time
# limit stands for a wait that would never end.
function Invoke-Captured([string]$File, [string[]]$Arguments, [string]$Directory) {
    $info = New-Object System.Diagnostics.ProcessStartInfo
    $info.FileName = $File
    $info.Arguments = ($Arguments | ForEach-Object { ConvertTo-Argument $_ }) -join ' '
    $info.WorkingDirectory = $Directory
    $info.UseShellExecute = $false
    $info.RedirectStandardInput = $true
    $info.RedirectStandardOutput = $true
    $info.RedirectStandardError = $true
    $process = [Diagnostics.Process]::Start($info)
    $process.StandardInput.Close()
    $stdout = New-Object IO.MemoryStream
    $copying = $process.StandardOutput.BaseStream.CopyToAsync($stdout)
    $stderr = $process.StandardError.ReadToEndAsync()
    if (-not $process.WaitForExit($TimeoutSeconds * 1000)) {
        Stop-ProgramAt $File
        return [pscustomobject]@{ TimedOut = $true; ExitCode = $null; Stdout = [byte[]]@(); Stderr = '' }
    }
    $process.WaitForExit()
    $copying.Wait()
    [pscustomobject]@{ TimedOut = $false; ExitCode = $process.ExitCode; Stdout = $stdout.ToArray(); Stderr = $stderr.Result }
}

function Get-Utf8([byte[]]$Bytes) {
    (New-Object Text.UTF8Encoding($false, $true)).GetString($Bytes)
}

# What an assessment run must have left: exit code 0 to 2 that its verdict lines give, a report
# file with BOM, LF line ends and ASCII text, the same check and verdict lines on the console as in
# the file, and the console naming that file (by content: %TEMP% may be spelt with short names).
function Test-AssessmentRun($Run, [string]$Folder) {
    $problems = New-Object System.Collections.Generic.List[string]
    if ($Run.TimedOut) { return @("still running after $TimeoutSeconds s") }
    if ($Run.ExitCode -notin 0, 1, 2) { $problems.Add("exit code $($Run.ExitCode)") }
    $reportPath = Join-Path $Folder 'quillbrook-report.txt'
    if (-not (Test-Path -LiteralPath $reportPath)) { $problems.Add('no quillbrook-report.txt'); return $problems }
    $bytes = [IO.File]::ReadAllBytes($reportPath)
    if ($bytes.Length -lt 4 -or $bytes[0] -ne 0xEF -or $bytes[1] -ne 0xBB -or $bytes[2] -ne 0xBF) {
        $problems.Add('report without UTF-8 byte-order mark')
    }
    if ($bytes -contains 13) { $problems.Add('report has CR bytes') }
    if (@($bytes[3..($bytes.Length - 1)] | Where-Object { $_ -ne 10 -and ($_ -lt 32 -or $_ -gt 126) }).Count -gt 0) {
        $problems.Add('report holds more than printable ASCII')
    }
    $report = (Get-Utf8 $bytes[3..($bytes.Length - 1)]) -split "`n"
    $console = (Get-Utf8 $Run.Stdout).Replace("`r`n", "`n") -split "`n"
    $pattern = '^(\[(OK |NO )\] |Technisch kompatibel |Offiziell kompatibel |Technisch geeignet )'
    $inReport = @($report | Where-Object { $_ -match $pattern })
    $onConsole = @($console | Where-Object { $_ -match $pattern })
    if ($inReport.Count -lt 15 -or ($inReport -join "`n") -cne ($onConsole -join "`n")) {
        $problems.Add('check and verdict lines differ between console and report')
    }
    $official = @($inReport | Where-Object { $_ -match '^Offiziell kompatibel .*: JA$' }).Count -eq 1
    $technical = @($inReport | Where-Object { $_ -match '^Technisch kompatibel .*: JA$' }).Count -eq 1
    $expected = if ($official) { 0 } elseif ($technical) { 1 } else { 2 }
    if ($Run.ExitCode -ne $expected) { $problems.Add("exit code $($Run.ExitCode), the verdicts say $expected") }
    $named = @($console | Where-Object { $_.StartsWith('Report: ') } | ForEach-Object { $_.Substring(8) })
    if ($named.Count -ne 1 -or -not (Test-Path -LiteralPath $named[0] -PathType Leaf) -or
        [Convert]::ToBase64String([IO.File]::ReadAllBytes($named[0])) -cne [Convert]::ToBase64String($bytes)) {
        $problems.Add('the console names another report')
    }
    if ($console -notcontains $Prompt) { $problems.Add('no key prompt') }
    $problems
}

function Test-FleetRun($Run, [string]$Folder) {
    if ($Run.TimedOut) { return @("still running after $TimeoutSeconds s") }
    $problems = New-Object System.Collections.Generic.List[string]
    if ($Run.ExitCode -ne 0) { $problems.Add("exit code $($Run.ExitCode): $($Run.Stderr.Trim())") }
    if ((Get-Utf8 $Run.Stdout) -notmatch '(?m)^Rechner \(lesbare Berichte\) *: 1\r?$') { $problems.Add('the summary counts no report') }
    foreach ($name in 'fleet.csv', 'fleet.json', 'fleet.html') {
        $path = Join-Path $Folder $name
        if (-not (Test-Path -LiteralPath $path) -or (Get-Item -LiteralPath $path).Length -eq 0) { $problems.Add("no $name") }
    }
    try { Get-Content -LiteralPath (Join-Path $Folder 'fleet.json') -Raw -Encoding UTF8 | ConvertFrom-Json | Out-Null }
    catch { $problems.Add('fleet.json is no JSON') }
    $problems
}

function Test-InventoryRun($Run, [string]$Folder) {
    if ($Run.TimedOut) { return @("still running after $TimeoutSeconds s") }
    $problems = New-Object System.Collections.Generic.List[string]
    if ($Run.ExitCode -ne 0) { $problems.Add("exit code $($Run.ExitCode): $($Run.Stderr.Trim())") }
    try {
        $inventory = Get-Content -LiteralPath (Join-Path $Folder 'machine.inventory.json') -Raw -Encoding UTF8 | ConvertFrom-Json
        if ([string]::IsNullOrEmpty($inventory.computer_name)) { $problems.Add('no computer_name') }
    } catch { $problems.Add('no inventory JSON') }
    $problems
}

# Each program's run in a fresh folder: the assessment writes the report the fleet reads after it.
function Invoke-EachProgram([string]$Check, [string[]]$Planted) {
    foreach ($program in $Programs) {
        Invoke-Check $Check $program { Invoke-ProgramOnce $Check $program $Planted }
    }
}

function Invoke-ProgramOnce([string]$Check, [string]$Program, [string[]]$Planted) {
    $folder = New-ProgramFolder "$Check-$Program" $Program
    foreach ($name in $Planted) { Copy-Item -LiteralPath (Join-Path $Kit 'planted.dll') -Destination (Join-Path $folder "$name.dll") }
    $exe = Join-Path $folder $Program
    switch ($Program) {
        'quillbrook.exe' {
            $run = Invoke-Captured $exe @() $folder
            $problems = @(Test-AssessmentRun $run $folder)
            $script:LastReport = Join-Path $folder 'quillbrook-report.txt'
        }
        'quillbrook-fleet.exe' {
            Copy-Item -LiteralPath $script:LastReport -Destination (Join-Path $folder 'machine.txt')
            $run = Invoke-Captured $exe @('--csv', 'fleet.csv', '--json', 'fleet.json', '--html', 'fleet.html', 'machine.txt') $folder
            $problems = @(Test-FleetRun $run $folder)
        }
        'quillbrook-inventory.exe' {
            $run = Invoke-Captured $exe @((Join-Path $folder 'machine.inventory.json'), '--bitlocker', 'off') $folder
            $problems = @(Test-InventoryRun $run $folder)
        }
    }
    $markerPath = Join-Path $folder $Marker
    if (Test-Path -LiteralPath $markerPath) {
        $problems += 'loaded: ' + ((Get-Content -LiteralPath $markerPath) -join ', ')
    }
    $note = if ($run.TimedOut) { '' } else { "exit code $($run.ExitCode)" }
    Add-Verdict -Check $Check -Program $Program -Problems $problems -Note $note
}

# A start that no one sees must not wait for a key: it ends within the time limit, with its report.
function Test-HiddenStart([string]$Check, [scriptblock]$Start, [string]$How) {
    $folder = New-ProgramFolder $Check 'quillbrook.exe'
    $exe = Join-Path $folder 'quillbrook.exe'
    $process = & $Start $exe $folder
    $null = $process.Handle # kept now, or Windows PowerShell forgets the exit code once it has ended
    $problems = New-Object System.Collections.Generic.List[string]
    if (-not $process.WaitForExit($TimeoutSeconds * 1000)) {
        $problems.Add("still waiting after $TimeoutSeconds s")
        Stop-Process -Id $process.Id -Force -ErrorAction SilentlyContinue
        Stop-ProgramAt $exe
    } elseif ($process.ExitCode -notin 0, 1, 2) {
        $problems.Add("exit code $($process.ExitCode)")
    }
    if (-not (Test-Path -LiteralPath (Join-Path $folder 'quillbrook-report.txt'))) { $problems.Add('no report') }
    $note = $How
    if ($Session -eq 0) { $note += '; session 0 ends the wait before the window is asked' }
    Add-Verdict -Check $Check -Program 'quillbrook.exe' -Problems $problems -Note $note
}

# The counterpart of the hidden starts: a console window on the desktop waits for its key.
function Test-VisibleWindow {
    if ($Session -eq 0) {
        Add-Result -Check 'visible-window-waits' -Program 'quillbrook.exe' -Result 'SKIP' -Note 'session 0 has no desktop a user sees'
        return
    }
    $folder = New-ProgramFolder 'visible-window-waits' 'quillbrook.exe'
    $exe = Join-Path $folder 'quillbrook.exe'
    $process = Start-Process -FilePath $exe -WorkingDirectory $folder -PassThru
    $null = $process.Handle
    $ended = $process.WaitForExit(5000)
    Stop-ProgramAt $exe
    $problems = @(if ($ended) { "ended without a key, exit code $($process.ExitCode)" })
    Add-Verdict -Check 'visible-window-waits' -Program 'quillbrook.exe' -Problems $problems -Note 'still waiting after 5 s, then ended'
}

# The guard the start-up seeds, from two runs of a program that prints it: equal values mean a
# guard an attacker can know.
function Test-StackGuard {
    $guards = @(1, 2 | ForEach-Object { (Get-Utf8 (Invoke-Captured (Join-Path $Kit 'stack_guard.exe') @() $Work).Stdout).Trim() })
    $problems = @(if ($guards[0] -notmatch '^[0-9a-f]{16}$' -or $guards[0] -eq $guards[1]) { "guards $($guards -join ' and ')" })
    Add-Verdict -Check 'stack-guard' -Program 'stack_guard.exe' -Problems $problems -Note ($guards -join ' / ')
}

function Test-Signature([string]$Program) {
    $signature = Get-AuthenticodeSignature -LiteralPath (Join-Path $Release $Program)
    if ($signature.Status -eq 'Valid') {
        $when = if ($signature.TimeStamperCertificate) { ', timestamped' } else { ', no timestamp' }
        Add-Result -Check 'authenticode' -Program $Program -Result 'PASS' -Note ($signature.SignerCertificate.Subject + $when)
    } elseif ($signature.Status -eq 'NotSigned' -and -not $RequireSignature) {
        Add-Result -Check 'authenticode' -Program $Program -Result 'SKIP' -Note 'not signed'
    } else {
        Add-Result -Check 'authenticode' -Program $Program -Result 'FAIL' -Note "$($signature.Status): $($signature.StatusMessage)"
    }
}

function Test-KitFiles {
    $missing = @(foreach ($name in 'planted.dll', 'stack_guard.exe', 'hidden_launcher.exe') {
        if (-not (Test-Path -LiteralPath (Join-Path $Kit $name))) { $name }
    })
    $missing += @(foreach ($name in $Programs) { if (-not (Test-Path -LiteralPath (Join-Path $Release $name))) { $name } })
    if ($missing.Count -gt 0) { throw "missing: $($missing -join ', ') (Release: $Release, Kit: $Kit)" }
}

function Get-Value($Object, [string]$Name) {
    $property = $Object.PSObject.Properties[$Name]
    if ($property) { $property.Value } else { '' }
}

function Write-Table {
    $version = Get-ItemProperty 'HKLM:\SOFTWARE\Microsoft\Windows NT\CurrentVersion'
    $display = Get-Value $version 'DisplayVersion'
    if (-not $display) { $display = Get-Value $version 'ReleaseId' }
    # ProductName still says Windows 10 on Windows 11; the build number tells them apart (22000 and later: 11).
    $build = "$(Get-Value $version 'CurrentBuild').$(Get-Value $version 'UBR')"
    "Windows   : $(Get-Value $version 'ProductName') $display, build $build"
    "Processor : $env:PROCESSOR_ARCHITECTURE as this PowerShell sees it; $env:PROCESSOR_IDENTIFIER"
    "Session   : $Session$(if ($Session -eq 0) { ' (services: no desktop a user sees)' })"
    "PowerShell: $($PSVersionTable.PSVersion) $(if ([Environment]::Is64BitProcess) { '64-bit' } else { '32-bit' })"
    "Release   : $Release"
    $Results | Format-Table -AutoSize -Wrap -Property 'Check', 'Program', 'Result', 'Note' | Out-String -Width 200
}

Test-KitFiles
New-Item -ItemType Directory -Path $Work | Out-Null
try {
    Invoke-EachProgram -Check 'run' -Planted @()
    Invoke-EachProgram -Check 'planted-dlls' -Planted $PlantedNames

    Invoke-Check 'hidden-start' 'quillbrook.exe' {
        Test-HiddenStart 'hidden-start' {
            param($exe, $folder)
            Start-Process -FilePath $exe -WorkingDirectory $folder -WindowStyle Hidden -PassThru
        } 'Start-Process -WindowStyle Hidden'
    }
    Invoke-Check 'hidden-cmd-wrapper' 'quillbrook.exe' {
        Test-HiddenStart 'hidden-cmd-wrapper' {
            param($exe, $folder)
            # cmd /c strips the outer quotes and runs the quoted path inside them.
            Start-Process -FilePath $env:ComSpec -ArgumentList ('/c ""' + $exe + '""') -WorkingDirectory $folder `
                -WindowStyle Hidden -PassThru
        } 'Start-Process -WindowStyle Hidden cmd /c: two processes on one hidden console'
    }
    Invoke-Check 'create-no-window' 'quillbrook.exe' {
        Test-HiddenStart 'create-no-window' {
            param($exe, $folder)
            Start-Process -FilePath (Join-Path $Kit 'hidden_launcher.exe') -ArgumentList (ConvertTo-Argument $exe) `
                -WorkingDirectory $folder -WindowStyle Hidden -PassThru
        } 'CreateProcess with CREATE_NO_WINDOW'
    }
    Invoke-Check 'visible-window-waits' 'quillbrook.exe' { Test-VisibleWindow }
    Invoke-Check 'stack-guard' 'stack_guard.exe' { Test-StackGuard }
    foreach ($program in $Programs) {
        Invoke-Check 'authenticode' $program { Test-Signature $program }
    }
} finally {
    foreach ($program in $Programs + 'hidden_launcher.exe') { Stop-ProgramAt $program }
    Remove-Item -LiteralPath $Work -Recurse -Force -ErrorAction SilentlyContinue
}

Write-Table
if (@($Results | Where-Object Result -eq 'FAIL').Count -gt 0) { exit 1 }
exit 0
