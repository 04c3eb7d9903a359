// The synthetic Sun as a spectrograph camera sees it: rows along the slit, columns in wavelength.
//
// The solar surface is a field of temperature, line-of-sight velocity and magnetic field over a
// plane in arcseconds: granulation (a cellular pattern of bright upflowing granules and dark
// downflowing lanes) and one sunspot (a cool umbra; a penumbra of radial filaments carrying the
// Evershed outflow). The slit stands at x = scanner counts x arcsec per count; row r of the
// detector looks at y = (r - (height - 1) / 2) x arcsec per row.
//
// At each point the spectrum is a continuum of brightness B(lambda, T) / B(lambda, T_quiet) (Wien)
// times the absorption lines of the camera's spectral window: pseudo-Voigt profiles whose centre
// is Doppler shifted by the velocity and whose width grows with the field (Zeeman broadening).
// Telluric lines (absorbed in the Earth's atmosphere) do not move. Column c of the detector sees
// lambda = centre + (c - (width - 1) / 2) x dispersion + (grating steps - reference) x A per step:
// moving the grating slides the spectrum across the columns.
//
// Everything here is a pure function of its arguments (configuration, geometry, scanner and
// grating position): the same inputs give the same picture on every call.
#pragma once

#include <cstdint>
#include <vector>

namespace helx::sim::camera {

struct Spot {
  double x = 8.0;                       // centre, arcsec (x along the scan)
  double y = 0.0;                       // arcsec along the slit from its centre
  double umbraRadius = 5.0;             // arcsec
  double penumbraRadius = 11.0;         // arcsec
  double umbraTemperature = 4000.0;     // K
  double penumbraTemperature = 5400.0;  // K
  double evershed = 2.0;                // km/s, line-of-sight amplitude of the penumbral outflow
  double limbAzimuth = 0.0;             // rad: direction (from +x) in which the outflow recedes
};

struct SunConfig {
  std::uint64_t seed = 1;
  double arcsecPerCount = 0.001;                   // scanner encoder count at the slit
  double granuleSize = 1.4;                        // arcsec, mean spacing of granules
  double quietTemperature = 5800.0;                // K
  double granulationContrast = 300.0;              // K between lanes and granule centres
  double granuleUpflow = 1.0;                      // km/s towards the observer at granule centres
  double laneDownflow = 1.8;                       // km/s away from the observer in the lanes
  std::vector<Spot> spots = std::vector<Spot>(1);  // one sunspot
};

struct Surface {
  double temperature;  // K
  double velocity;     // km/s, positive away from the observer (redshift)
  double field;        // 0 (quiet) to 1 (umbra): scales the Zeeman broadening
};

Surface sampleSurface(const SunConfig& sun, double x, double y);

struct SpectralLine {
  double wavelength = 6562.8;  // A, at rest
  double depth = 0.8;          // 1 - residual intensity at the core
  double halfWidth = 0.5;      // A, half width at half minimum
  double lorentz = 0.5;        // 0: Gaussian profile, 1: Lorentzian (wings)
  double zeeman = 0.0;         // relative broadening in a field of 1
  bool telluric = false;       // formed in the Earth's atmosphere: no solar shift or broadening
};

struct Spectrograph {
  double centreWavelength = 6562.8;  // A at the centre column with the grating at the reference
  double dispersion = 0.02;          // A per pixel
  double gratingReference = 0.0;     // grating steps that put centreWavelength at the centre
  double angstromPerStep = 0.002;    // A the spectrum moves per grating step
  double arcsecPerRow = 0.16;        // along the slit, per detector row
  double continuumRate = 1.3e6;      // photo-electrons per second and pixel, quiet continuum
  std::vector<SpectralLine> lines;
};

// The read-out window, 1-based inclusive as the driver takes it; a window that is not a
// multiple of the binning drops the remainder at its high end.
struct Geometry {
  int detectorWidth = 512;
  int detectorHeight = 512;
  int hbin = 1, vbin = 1;
  int hstart = 1, hend = 512;
  int vstart = 1, vend = 512;
  int width() const { return (hend - hstart + 1) / hbin; }
  int height() const { return (vend - vstart + 1) / vbin; }
  std::size_t pixels() const { return static_cast<std::size_t>(width()) * height(); }
};

// Where the optics stand: scanner encoder counts and grating steps.
struct OpticsPosition {
  double scannerCounts = 0.0;
  double gratingSteps = 0.0;
};

// Photo-electrons per second of each binned pixel (row-major, width() x height()), summing the
// charge of the detector pixels the bin covers. `response`, if given, is the detector's relative
// sensitivity per detector pixel (detectorWidth x detectorHeight, row-major).
void renderSpectrum(const SunConfig& sun, const Spectrograph& spectrograph,
                    const Geometry& geometry, OpticsPosition at, const float* response, float* out);

// The scene's truth at one point of the surface (x, y in arcsec) and one wavelength: the
// intensity relative to the quiet continuum, before the detector (no response, binning or
// noise). Tests compare what the program records with it; renderSpectrum does not use it.
double trueIntensity(const SunConfig& sun, const Spectrograph& spectrograph, double x, double y,
                     double wavelength);

// Wavelength (A) seen by detector column `column` (0-based).
double columnWavelength(const Spectrograph& s, int detectorWidth, double column,
                        double gratingSteps);

}  // namespace helx::sim::camera
