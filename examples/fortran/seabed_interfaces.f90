! Fortran bindings of the seabed library: the array descriptors and bind(C)
! interfaces for all thirteen operations of seabed.h. Arguments are passed by
! reference unless marked VALUE, exactly as seabed.h declares them; intent
! follows the in/out directions documented there.
!
! Arrays handed over by the loaders stay the library's allocation: read them
! through c_f_pointer on the descriptor's base (see host.f90) and give them
! back with free_seabed_2d / free_seabed_3d, never deallocate them.
module seabed_interfaces
  use, intrinsic :: iso_c_binding, only: c_char, c_double, c_float, c_int32_t, c_int64_t, c_null_ptr, c_ptr
  implicit none
  private :: c_char, c_double, c_float, c_int32_t, c_int64_t, c_null_ptr, c_ptr

  ! Interpolation types of the loaders.
  integer(c_int32_t), parameter :: SEABED_2D_LINEAR = 0, SEABED_2D_BESSEL = 2, SEABED_2D_SPLINE = 3
  integer(c_int32_t), parameter :: SEABED_3D_LINEAR = 0, SEABED_3D_CUBIC = 1

  type, bind(C) :: seabed_dim
    integer(c_int64_t) :: extent = 0
    integer(c_int64_t) :: stride = 0       ! bytes between neighbouring elements
    integer(c_int64_t) :: lower_bound = 0
  end type

  ! Default-initialised, so a new descriptor is unallocated as a load expects.
  type, bind(C) :: seabed_desc1
    type(c_ptr) :: base = c_null_ptr
    integer(c_int64_t) :: elem_len = 0, offset = 0, flags = 0, rank = 0, reserved = 0
    type(seabed_dim) :: dim(1)
  end type

  type, bind(C) :: seabed_desc2
    type(c_ptr) :: base = c_null_ptr
    integer(c_int64_t) :: elem_len = 0, offset = 0, flags = 0, rank = 0, reserved = 0
    type(seabed_dim) :: dim(2)
  end type

  interface
    subroutine seabed_generate(name_length, name, status, duplicates) bind(C, name="seabed_generate")
      import :: c_char, c_int32_t
      integer(c_int32_t), value :: name_length
      character(kind=c_char), intent(in) :: name(*)
      integer(c_int32_t), intent(out) :: status, duplicates
    end subroutine

    subroutine open_seabed_file(name_length, name, unit, status) bind(C, name="open_seabed_file")
      import :: c_char, c_int32_t
      integer(c_int32_t), value :: name_length
      character(kind=c_char), intent(in) :: name(*)
      integer(c_int32_t), intent(in) :: unit
      integer(c_int32_t), intent(out) :: status
    end subroutine

    subroutine load_seabed_2d(name_length, name, unit, type, n, profile, slopes, memory, status) &
        bind(C, name="load_seabed_2d")
      import :: c_char, c_int32_t, c_int64_t, seabed_desc1, seabed_desc2
      integer(c_int32_t), intent(in) :: name_length, unit, type
      character(kind=c_char), intent(in) :: name(*)
      integer(c_int32_t), intent(out) :: n, status
      type(seabed_desc2), intent(inout) :: profile
      type(seabed_desc1), intent(inout) :: slopes
      integer(c_int64_t), intent(inout) :: memory
    end subroutine

    subroutine load_seabed_3d(name_length, name, unit, type, n, nt, nadj, nodes, gradients, iadj, istart, &
                              memory, status) bind(C, name="load_seabed_3d")
      import :: c_char, c_int32_t, c_int64_t, seabed_desc1, seabed_desc2
      integer(c_int32_t), intent(in) :: name_length, unit, type
      character(kind=c_char), intent(in) :: name(*)
      integer(c_int32_t), intent(out) :: n, nt, nadj, status
      type(seabed_desc2), intent(inout) :: nodes, gradients
      type(seabed_desc1), intent(inout) :: iadj, istart
      integer(c_int64_t), intent(inout) :: memory
    end subroutine

    subroutine free_seabed_2d(profile, slopes) bind(C, name="free_seabed_2d")
      import :: seabed_desc1, seabed_desc2
      type(seabed_desc2), intent(inout) :: profile
      type(seabed_desc1), intent(inout) :: slopes
    end subroutine

    subroutine free_seabed_3d(nodes, gradients, iadj, istart) bind(C, name="free_seabed_3d")
      import :: seabed_desc1, seabed_desc2
      type(seabed_desc2), intent(inout) :: nodes, gradients
      type(seabed_desc1), intent(inout) :: iadj, istart
    end subroutine

    subroutine seabed_create_test_file(name_length, name, type) bind(C, name="seabed_create_test_file")
      import :: c_char, c_int32_t
      integer(c_int32_t), value :: name_length, type
      character(kind=c_char), intent(in) :: name(*)
    end subroutine

    subroutine find_segment(profile, n, y, segment) bind(C, name="find_segment")
      import :: c_double, c_float, c_int32_t
      real(c_float), intent(in) :: profile(*)
      integer(c_int32_t), intent(in) :: n
      real(c_double), intent(in) :: y
      integer(c_int32_t), intent(inout) :: segment
    end subroutine

    subroutine interpolate_2d_linear(y, n, profile, x, slope, segment) bind(C, name="interpolate_2d_linear")
      import :: c_double, c_float, c_int32_t
      real(c_double), intent(in) :: y
      integer(c_int32_t), intent(in) :: n
      real(c_float), intent(in) :: profile(*)
      real(c_double), intent(out) :: x
      real(c_double), intent(inout) :: slope     ! written only inside the profile
      integer(c_int32_t), intent(inout) :: segment
    end subroutine

    subroutine interpolate_2d_cubic(y, n, profile, slopes, x, slope, segment) bind(C, name="interpolate_2d_cubic")
      import :: c_double, c_float, c_int32_t
      real(c_double), intent(in) :: y
      integer(c_int32_t), intent(in) :: n
      real(c_float), intent(in) :: profile(*), slopes(*)
      real(c_double), intent(out) :: x
      real(c_double), intent(inout) :: slope
      integer(c_int32_t), intent(inout) :: segment
    end subroutine

    subroutine find_triangle(y, z, n, nadj, nodes, iadj, istart, i1, i2, i3) bind(C, name="find_triangle")
      import :: c_double, c_int32_t, seabed_desc1, seabed_desc2
      real(c_double), intent(in) :: y, z
      integer(c_int32_t), intent(in) :: n, nadj
      type(seabed_desc2), intent(in) :: nodes
      type(seabed_desc1), intent(in) :: iadj, istart
      integer(c_int32_t), intent(inout) :: i1, i2, i3
    end subroutine

    subroutine interpolate_3d_linear(y, z, n, nadj, nodes, iadj, istart, x, normal, start, status) &
        bind(C, name="interpolate_3d_linear")
      import :: c_double, c_float, c_int32_t
      real(c_double), intent(in) :: y, z
      integer(c_int32_t), intent(in) :: n, nadj
      real(c_float), intent(in) :: nodes(*)
      integer(c_int32_t), intent(in) :: iadj(*), istart(*)
      real(c_double), intent(out) :: x, normal(3)
      integer(c_int32_t), intent(inout) :: start
      integer(c_int32_t), intent(out) :: status
    end subroutine

    subroutine interpolate_3d_cubic(y, z, n, nadj, nodes, iadj, istart, gradients, x, normal, start, status) &
        bind(C, name="interpolate_3d_cubic")
      import :: c_double, c_float, c_int32_t
      real(c_double), intent(in) :: y, z
      integer(c_int32_t), intent(in) :: n, nadj
      real(c_float), intent(in) :: nodes(*), gradients(*)
      integer(c_int32_t), intent(in) :: iadj(*), istart(*)
      real(c_double), intent(out) :: x, normal(3)
      integer(c_int32_t), intent(inout) :: start
      integer(c_int32_t), intent(out) :: status
    end subroutine
  end interface
end module seabed_interfaces
