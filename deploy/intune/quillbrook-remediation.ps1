# Detection script of an Intune remediation (no remediation script), for devices joined only to
# Entra ID, which reach no share: run as SYSTEM in 64-bit PowerShell, it runs quillbrook.exe and
# quillbrook-inventory.exe from %ProgramFiles%\Quillbrook\bin (put there by a Win32 app) and
# prints the report and the inventory as its one line of output, each compressed with gzip and in
# Base64: "quillbrook1 REPORT INVENTORY". Intune keeps that line per device, under the device's
# own name, which no other device can write; quillbrook-unpack.ps1 makes files of an export again.
# It always ends with 0: a device is never "with issues", so nothing is remediated.
$bin = Join-Path $env:ProgramFiles 'Quillbrook\bin'
$report = Join-Path $bin 'quillbrook-report.txt'
$inventory = Join-Path $bin 'inventory.json'
$empty = Join-Path $bin 'empty.txt'
$console = Join-Path $bin 'console.txt'
# The last run's files must not pass for this run's.
Remove-Item -LiteralPath $report, $inventory -Force -ErrorAction SilentlyContinue

# Input from an empty file: the program does not wait for a key.
[IO.File]::WriteAllBytes($empty, [byte[]]@())
Start-Process -FilePath (Join-Path $bin 'quillbrook.exe') -WorkingDirectory $bin -NoNewWindow -Wait `
    -RedirectStandardInput $empty -RedirectStandardOutput $console

# manage-bde answers 0 for a protected system drive and 1 for an unprotected one.
& "$env:SystemRoot\System32\manage-bde.exe" -status $env:SystemDrive -ProtectionAsErrorLevel *> $null
$bitlocker = @{ 0 = 'on'; 1 = 'off' }[$LASTEXITCODE]
if (-not $bitlocker) { $bitlocker = 'unknown' }
& (Join-Path $bin 'quillbrook-inventory.exe') $inventory --bitlocker $bitlocker *> $null

function Packed([string]$path) {
    if (-not (Test-Path -LiteralPath $path)) { return '-' }
    $bytes = [IO.File]::ReadAllBytes($path)
    $buffer = New-Object IO.MemoryStream
    $gzip = New-Object IO.Compression.GZipStream($buffer, [IO.Compression.CompressionMode]::Compress)
    $gzip.Write($bytes, 0, $bytes.Length)
    $gzip.Close()
    [Convert]::ToBase64String($buffer.ToArray())
}

Write-Output ('quillbrook1 ' + (Packed $report) + ' ' + (Packed $inventory))
exit 0
